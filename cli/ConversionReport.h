#pragma once

#include "pipeline/ConversionRequest.h"
#include "pipeline/ConversionResult.h"

#include <QByteArray>
#include <QString>

// --report: a JSON object for each file, one line each, appended to the
// report file as each file ends, so that a batch that dies keeps the record
// of what it did.
class ConversionReport
{
public:
    ConversionReport() = default;
    ~ConversionReport();
    ConversionReport(const ConversionReport &) = delete;
    ConversionReport &operator=(const ConversionReport &) = delete;

    // Opens the file for appending, creating it when missing.
    bool open(const QString &path);
    QString error() const { return m_error; }

    // Writes the file's line; false (error() says why) when it could not.
    bool add(const ConversionRequest &request, const ConversionResult &result, double wallSeconds);

private:
    QString m_path;
    int m_fd = -1;
    QString m_error;
};
