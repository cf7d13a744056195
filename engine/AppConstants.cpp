#include "engine/AppConstants.h"

AppConstants::AppConstants(QObject *parent)
    : QObject(parent)
{
}
