#pragma once

// Reading a written workbook back with an independent reader (python3-openpyxl).

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

namespace sheetReader {

// Cells of a workbook's sheet as the reader sees them: "A11" → value, and
// "rows" → the number of rows.
inline QJsonObject readCells(const QString& path, const QStringList& cells) {
    static const char* script = R"(
import sys, json, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
out = {ref: ws[ref].value for ref in sys.argv[2:]}
out['rows'] = ws.max_row
print(json.dumps(out))
)";
    QProcess reader;
    reader.start("/usr/bin/python3", QStringList{"-c", script, path} + cells);
    reader.waitForFinished(60000);
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}

inline bool haveReader() {
#ifndef Q_OS_UNIX
    return false; // the reader is the Debian system's Python
#endif
    QProcess probe;
    probe.start("/usr/bin/python3", {"-c", "import openpyxl"});
    return probe.waitForFinished(30000) && probe.exitCode() == 0;
}

} // namespace sheetReader
