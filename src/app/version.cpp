#include "version.h"

QString versionText;
