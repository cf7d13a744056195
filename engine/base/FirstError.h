#pragma once

#include "base/TranslatableText.h"

// The first thing that went wrong, in words, kept by an object that can fail
// part-way for its caller to show: what fails after it is a consequence.
class FirstError
{
public:
    TranslatableText error() const { return m_error; }

protected:
    // Keeps `message` unless a message is kept already; false, so that a
    // failing step can `return fail(...)`.
    bool fail(const TranslatableText &message)
    {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }
    bool failed() const { return !m_error.isEmpty(); }

private:
    TranslatableText m_error;
};
