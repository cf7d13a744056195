#include "AppConstants.h"

AppConstants::AppConstants(QObject *parent)
    : QObject(parent)
{
}
