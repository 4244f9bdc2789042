#pragma once

#include <QFile>
#include <QString>
#include <string>

// Paths reach the multimedia service in the system's file-name encoding.
inline std::string nativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }
