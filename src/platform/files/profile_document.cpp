#include "profile_document.h"

#include <QStringDecoder>
#include <algorithm>

namespace platform {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; its five unused
// positions keep the Latin-1 control characters so that no byte is lost.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(kWindows1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

// Catalogues written on Windows hold ANSI bytes; ours hold UTF-8. Text that is
// not valid UTF-8 cannot be ours, so it is read the Windows way.
QString Decode(const QByteArray& bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return QString::fromLatin1(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                    QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? FromWindows1252(bytes) : text;
}

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\v') ||
           c == QLatin1Char('\f');
}

// Only the blanks that the file's own lines lose when they are read.
QString TrimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString Folded(const QString& name)
{
    return TrimBlanks(name).toCaseFolded();
}

bool HasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool IsStorableSection(const QString& name)
{
    return !name.isEmpty() && !HasLineBreak(name) && !name.contains(QLatin1Char(']'));
}

bool IsStorableKey(const QString& name)
{
    return !name.isEmpty() && !HasLineBreak(name) && !name.contains(QLatin1Char('=')) &&
           !name.startsWith(QLatin1Char(';')) && !name.startsWith(QLatin1Char('['));
}

QString OnOneLine(const QString& value)
{
    if (!HasLineBreak(value)) {
        return value;
    }
    QString line = value;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

QByteArray ValueBytes(const QByteArray& keyLine)
{
    return keyLine.mid(keyLine.indexOf('=') + 1).trimmed();
}

} // namespace

ProfileDocument::ProfileDocument(const QByteArray& bytes)
{
    const QByteArray byteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");
    qsizetype start = 0;
    if (bytes.startsWith(byteOrderMark)) {
        m_byteOrderMark = byteOrderMark;
        start = byteOrderMark.size();
    }
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && data[end] != '\r' && data[end] != '\n') {
            ++end;
        }
        qsizetype next = end;
        if (end < size) {
            next =
                (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') ? end + 2 : end + 1;
        }
        AddLine(bytes.mid(start, end - start), bytes.mid(end, next - end));
        start = next;
    }
    RebuildIndex();
}

void ProfileDocument::AddLine(QByteArray text, QByteArray ending)
{
    if (!m_newLineSeen && !ending.isEmpty()) {
        m_newLine = ending; // new lines follow the file's own habit
        m_newLineSeen = true;
    }
    const QByteArray trimmed = text.trimmed();
    if (trimmed.startsWith('[')) {
        const qsizetype close = trimmed.indexOf(']');
        if (close > 0) {
            Section section;
            section.name = Decode(trimmed.mid(1, close - 1).trimmed()).toCaseFolded();
            section.header = Line{std::move(text), std::move(ending), QString()};
            m_sections.push_back(std::move(section));
            return;
        }
    }
    Line line{std::move(text), std::move(ending), QString()};
    const qsizetype equals = line.text.indexOf('=');
    if (equals >= 0 && !trimmed.startsWith(';') && !trimmed.startsWith('[')) {
        line.key = Decode(line.text.left(equals).trimmed()).toCaseFolded();
    }
    (m_sections.empty() ? m_leadingLines : m_sections.back().lines).push_back(std::move(line));
}

QByteArray ProfileDocument::ToBytes() const
{
    QByteArray bytes = m_byteOrderMark;
    const auto append = [&bytes](const Line& line) {
        bytes += line.text;
        bytes += line.ending;
    };
    std::for_each(m_leadingLines.begin(), m_leadingLines.end(), append);
    for (const Section& section : m_sections) {
        append(section.header);
        std::for_each(section.lines.begin(), section.lines.end(), append);
    }
    return bytes;
}

const ProfileDocument::Section* ProfileDocument::Find(const QString& section) const
{
    const auto found = m_firstSection.constFind(Folded(section));
    return found == m_firstSection.constEnd() ? nullptr : &m_sections[found.value()];
}

const ProfileDocument::Line* ProfileDocument::FindKey(const Section& section,
                                                      const QString& foldedKey)
{
    if (foldedKey.isEmpty()) {
        return nullptr;
    }
    const auto found =
        std::find_if(section.lines.begin(), section.lines.end(),
                     [&foldedKey](const Line& line) { return line.key == foldedKey; });
    return found == section.lines.end() ? nullptr : &*found;
}

QString ProfileDocument::ReadString(const QString& section, const QString& key,
                                    const QString& defaultValue) const
{
    const Section* found = Find(section);
    const Line* line = found ? FindKey(*found, Folded(key)) : nullptr;
    if (line == nullptr) {
        return defaultValue;
    }
    QString value = Decode(ValueBytes(line->text));
    if (value.size() > kMaxValueLength) {
        value.truncate(kMaxValueLength);
        if (value.back().isHighSurrogate()) {
            value.chop(1); // never hand out half a character
        }
    }
    return value;
}

bool ProfileDocument::HasKey(const QString& section, const QString& key) const
{
    const Section* found = Find(section);
    return found != nullptr && FindKey(*found, Folded(key)) != nullptr;
}

bool ProfileDocument::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = TrimBlanks(section);
    const QString keyName = TrimBlanks(key);
    if (!IsStorableSection(sectionName) || !IsStorableKey(keyName)) {
        return false;
    }
    const QByteArray valueBytes = OnOneLine(value).toUtf8();
    const QString foldedSection = sectionName.toCaseFolded();
    const QString foldedKey = keyName.toCaseFolded();
    Line newLine{keyName.toUtf8() + '=' + valueBytes, m_newLine, foldedKey};

    const auto found = m_firstSection.constFind(foldedSection);
    if (found == m_firstSection.constEnd()) {
        if (Line* last = LastLine(); last != nullptr && last->ending.isEmpty()) {
            last->ending = m_newLine;
        }
        Section added;
        added.header = Line{'[' + sectionName.toUtf8() + ']', m_newLine, QString()};
        added.name = foldedSection;
        added.lines.push_back(std::move(newLine));
        m_firstSection.insert(foldedSection, static_cast<int>(m_sections.size()));
        m_sections.push_back(std::move(added));
        return true;
    }

    Section& target = m_sections[found.value()];
    std::size_t insertAt = 0;
    for (std::size_t i = 0; i < target.lines.size(); ++i) {
        Line& line = target.lines[i];
        if (line.key == foldedKey) {
            // Keep the key as the file spells it; only the value changes.
            line.text = line.text.left(line.text.indexOf('=') + 1) + valueBytes;
            return true;
        }
        if (!line.key.isEmpty()) {
            insertAt = i + 1;
        }
    }
    Line& before = insertAt == 0 ? target.header : target.lines[insertAt - 1];
    if (before.ending.isEmpty()) {
        before.ending = m_newLine; // the last line: nothing follows the new one
    } else {
        // The line end of the line it follows: that one was read as a whole line
        // end before whatever comes next, so a lone CR cannot merge with an LF
        // that starts the next line.
        newLine.ending = before.ending;
    }
    target.lines.insert(target.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                        std::move(newLine));
    return true;
}

void ProfileDocument::EraseSection(const QString& section)
{
    const auto found = m_firstSection.constFind(Folded(section));
    if (found == m_firstSection.constEnd()) {
        return;
    }
    m_sections.erase(m_sections.begin() + found.value());
    RebuildIndex();
}

void ProfileDocument::EraseHiddenDuplicates(const QString& section)
{
    const QString folded = Folded(section);
    const auto found = m_firstSection.constFind(folded);
    if (found == m_firstSection.constEnd()) {
        return;
    }
    const auto first = m_sections.begin() + found.value();
    const auto hidden = std::remove_if(first + 1, m_sections.end(),
                                       [&folded](const Section& s) { return s.name == folded; });
    if (hidden != m_sections.end()) {
        m_sections.erase(hidden, m_sections.end());
        RebuildIndex();
    }
}

ProfileDocument::Line* ProfileDocument::LastLine()
{
    if (!m_sections.empty()) {
        Section& last = m_sections.back();
        return last.lines.empty() ? &last.header : &last.lines.back();
    }
    return m_leadingLines.empty() ? nullptr : &m_leadingLines.back();
}

void ProfileDocument::RebuildIndex()
{
    m_firstSection.clear();
    for (int i = 0; i < static_cast<int>(m_sections.size()); ++i) {
        if (!m_firstSection.contains(m_sections[i].name)) {
            m_firstSection.insert(m_sections[i].name, i);
        }
    }
}

} // namespace platform
