#pragma once

// Workbooks converted by a real spreadsheet application: LibreOffice, headless.

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace office {

// Converts the files to `format` ("pdf", or "csv:" with its filter options) into
// `outDir`. The application runs in `scratch`, which is also its home and holds
// its profile, so nothing lands anywhere else. Whether it finished without error.
inline bool convert(const QStringList& files, const QString& format, const QString& outDir, const QString& scratch)
{
    QProcess soffice;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), scratch);
    soffice.setProcessEnvironment(env);
    soffice.setWorkingDirectory(scratch);
    soffice.start(QStringLiteral("soffice"),
                  QStringList{QStringLiteral("-env:UserInstallation=file://") + QDir(scratch).filePath("profile"),
                              QStringLiteral("--headless"), QStringLiteral("--convert-to"), format,
                              QStringLiteral("--outdir"), outDir}
                      + files);
    return soffice.waitForFinished(300000) && soffice.exitStatus() == QProcess::NormalExit
           && soffice.exitCode() == 0;
}

} // namespace office
