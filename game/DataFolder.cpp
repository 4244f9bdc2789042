#include "DataFolder.h"

#include <QDir>
#include <QFileInfo>

#include "DataFiles.h"

QString dataFolder(const QString& programFolder, const QString& installed) {
    if (installed.isEmpty() ||
        QFileInfo(QDir(programFolder).filePath(QString::fromLatin1(data_files::tune))).isFile())
        return programFolder;
    return installed;
}

QString dataFolder(const QString& programFolder) {
    return dataFolder(programFolder, QString::fromUtf8(ZANRAI_INSTALLED_DATA_DIR));
}
