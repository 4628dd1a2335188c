// libFuzzer target over the workbook writer: a sheet built from arbitrary texts
// (any UTF-16, lone surrogates and controls included) and arbitrary doubles is
// rendered into a file while the C library's numbers follow a comma locale. The
// sheet and its shared strings must parse as XML, every number cell must read
// back as the number written, and every text as written, less what XML forbids,
// also where it reads like the format's own escapes of characters.

#include "state/number_rules.h"
#include "workbook/sheet_model.h"
#include "workbook/xlsx_renderer.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>

#include <expat.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <minizip/unzip.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

[[noreturn]] void violated(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "property violated: %s (%s)\n", what, detail.c_str());
    std::abort();
}

std::string unzipped(const QString& path, const char* member)
{
    unzFile zip = unzOpen(QFile::encodeName(path).constData());
    if (!zip)
        violated("the workbook opens as a zip file", path.toStdString());
    std::string data;
    if (unzLocateFile(zip, member, 1) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
        char buffer[65536];
        int n = 0;
        while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
            data.append(buffer, static_cast<std::size_t>(n));
        unzCloseCurrentFile(zip);
    }
    unzClose(zip);
    return data;
}

// What an XML reader finds in the sheet and its shared strings.
struct Parsed {
    struct Cell {
        std::string type;
        std::string value;
    };
    std::map<std::string, Cell> cells; // "A1" → type and <v> text
    std::vector<std::string> strings;  // the shared strings, in order
    std::string current;               // the cell being read
    std::string text;
    bool inValue = false;
    bool inText = false;
};

void XMLCALL startElement(void* data, const XML_Char* name, const XML_Char** attributes)
{
    auto* p = static_cast<Parsed*>(data);
    const std::string element = name;
    if (element == "c") {
        std::string ref, type;
        for (int i = 0; attributes[i]; i += 2) {
            if (std::string(attributes[i]) == "r")
                ref = attributes[i + 1];
            else if (std::string(attributes[i]) == "t")
                type = attributes[i + 1];
        }
        p->current = ref;
        p->cells[ref] = {type, {}};
    } else if (element == "v") {
        p->inValue = true;
        p->text.clear();
    } else if (element == "si") {
        p->strings.emplace_back();
    } else if (element == "t") {
        p->inText = true;
    }
}

void XMLCALL endElement(void* data, const XML_Char* name)
{
    auto* p = static_cast<Parsed*>(data);
    const std::string element = name;
    if (element == "v") {
        p->cells[p->current].value = p->text;
        p->inValue = false;
    } else if (element == "t") {
        p->inText = false;
    }
}

void XMLCALL characters(void* data, const XML_Char* s, int length)
{
    auto* p = static_cast<Parsed*>(data);
    if (p->inValue)
        p->text.append(s, static_cast<std::size_t>(length));
    else if (p->inText && !p->strings.empty())
        p->strings.back().append(s, static_cast<std::size_t>(length));
}

void parse(const std::string& xml, Parsed& into, const char* what)
{
    XML_Parser parser = XML_ParserCreate("UTF-8");
    XML_SetUserData(parser, &into);
    XML_SetElementHandler(parser, startElement, endElement);
    XML_SetCharacterDataHandler(parser, characters);
    const bool ok = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
    const std::string error = ok ? std::string() : XML_ErrorString(XML_GetErrorCode(parser));
    XML_ParserFree(parser);
    if (!ok)
        violated(what, error);
}

std::string a1(int row, int column)
{
    return std::string(1, static_cast<char>('A' + column - 1)) + std::to_string(row);
}

// A text as a reader gets it back: what XML forbids replaced.
QString expectedText(const QString& written) { return QString::fromUtf8(workbook::xmlSafeUtf8(written)); }

// The stored text as a spreadsheet reads it: each _xHHHH_ escape (the escaped
// underscore _x005F_ among them) undone, left to right.
QString unescaped(const QString& stored)
{
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype last = 0;
    for (auto it = escape.globalMatch(stored); it.hasNext();) {
        const auto match = it.next();
        out += stored.mid(last, match.capturedStart() - last);
        out += QChar(match.captured(1).toUShort(nullptr, 16));
        last = match.capturedEnd();
    }
    return out + stored.mid(last);
}

std::string codes(const QString& text)
{
    std::string out;
    for (const QChar c : text)
        out += QString::asprintf("%04X ", c.unicode()).toStdString();
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The C library's numbers follow a desktop that writes a decimal comma.
    if (!std::setlocale(LC_ALL, "ru_RU.UTF-8"))
        std::setlocale(LC_ALL, "de_DE.UTF-8");
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    SheetModel sheet;
    while (input.remaining_bytes() > 0) {
        const int row = input.ConsumeIntegralInRange(1, 40);
        const int column = input.ConsumeIntegralInRange(1, 7);
        if (input.ConsumeBool()) {
            sheet.setCellValue(row, column, input.ConsumeFloatingPoint<double>());
        } else {
            const std::string bytes = input.ConsumeRandomLengthString(64);
            // Any UTF-16 code units, surrogates and controls included.
            QString text(static_cast<qsizetype>(bytes.size() / 2), Qt::Uninitialized);
            for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
                text[static_cast<qsizetype>(i / 2)] =
                    QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i])
                                                | static_cast<unsigned char>(bytes[i + 1]) << 8));
            if (input.ConsumeBool()) // now and then a run that reads like one of the format's escapes
                text += QStringLiteral("_x%1_").arg(input.ConsumeIntegral<std::uint16_t>(), 4, 16,
                                                    QLatin1Char('0'));
            sheet.setCellValue(row, column, text);
        }
    }

    static QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("sheet.xlsx"));
    QFile::remove(path);
    const QString error = workbook::renderXlsx(sheet, path);
    if (!error.isEmpty())
        violated("the sheet is written", error.toStdString());

    Parsed parsed;
    parse(unzipped(path, "xl/worksheets/sheet1.xml"), parsed, "the sheet is well-formed XML");
    const std::string strings = unzipped(path, "xl/sharedStrings.xml");
    if (!strings.empty())
        parse(strings, parsed, "the shared strings are well-formed XML");

    for (const auto& [key, cell] : sheet.cells()) {
        const std::string ref = a1(key.row, key.column);
        const auto found = parsed.cells.find(ref);
        if (const double* number = std::get_if<double>(&cell.value)) {
            // Not finite: written as text. At the very edge of the double range
            // the 16-digit form rounds past it. The plans never come near either.
            if (!std::isfinite(*number) || std::abs(*number) > 1.797693134862315e308)
                continue;
            if (found == parsed.cells.end() || !found->second.type.empty())
                violated("a number cell is a number", ref);
            const std::string& stored = found->second.value;
            double back = 0;
            const auto read = std::from_chars(stored.data(), stored.data() + stored.size(), back);
            // The file keeps 16 significant digits.
            if (read.ec != std::errc() || read.ptr != stored.data() + stored.size()
                || std::abs(back - *number) > 1e-15 * std::abs(*number))
                violated("a number reads back as written",
                         ref + " " + found->second.value + " for " + QByteArray::number(*number, 'g', 17).toStdString());
        } else if (const QString* text = std::get_if<QString>(&cell.value); text && !text->isEmpty()) {
            if (found == parsed.cells.end() || found->second.type != "s")
                violated("a text cell is a string", ref);
            const std::size_t index = std::stoul(found->second.value);
            if (index >= parsed.strings.size())
                violated("a text cell's string exists", ref);
            const QString back = QString::fromStdString(parsed.strings[index]);
            if (unescaped(back) != expectedText(*text))
                violated("a text reads back as written", ref + ": " + codes(unescaped(back)) + " for " + codes(*text));
        }
    }
    return 0;
}
