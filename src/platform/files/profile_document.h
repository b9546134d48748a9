#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <vector>

namespace platform {

// The contents of an INI file under the rules of the Windows profile functions,
// which the catalogue and the catalogues written on Windows rely on:
// - lines end at CR, LF or CRLF; blanks around section names, keys and values
//   are ignored; a line splits at its first "="; a line starting with ";" is a
//   comment; a line without "=" holds no key;
// - section and key names match without regard to letter case, and the first
//   matching section and the first matching key in it win;
// - a new section goes at the end, a new key after the last key of its section;
//   a new key line ends as the line it follows does (a new section and a key at
//   the very end take the file's first line end).
// Every line keeps its own bytes, so a change rewrites only the line it touches:
// unknown sections, comments, line ends and bytes that are not UTF-8 survive.
// Text is written as UTF-8; text that is not valid UTF-8 reads as Windows-1252.
class ProfileDocument final
{
public:
    // What the Windows functions return at most, in characters.
    static constexpr int kMaxValueLength = 2047;

    ProfileDocument() = default;
    explicit ProfileDocument(const QByteArray& bytes);

    QByteArray ToBytes() const;

    // The default only when the key or its section is absent; a present empty
    // value reads empty. At most kMaxValueLength characters.
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    bool HasKey(const QString& section, const QString& key) const;

    // Creates the section and key as needed. A line break in the value becomes a
    // blank, so a value can never start a line of its own. Returns false, and
    // changes nothing, for a name that could not be read back as the same name
    // (empty, holding a line break, "]" in a section, "=" in a key, a key that
    // would read as a comment or a section).
    bool WriteString(const QString& section, const QString& key, const QString& value);
    // Removes the first matching section with all its lines; a missing one is fine.
    void EraseSection(const QString& section);
    // Removes the matching sections after the first. No reader sees them (the
    // first wins) until the first is erased and the next comes to light.
    void EraseHiddenDuplicates(const QString& section);

private:
    struct Line
    {
        QByteArray text;   // without its line end
        QByteArray ending; // "\r\n", "\n", "\r", or empty on a last line without one
        QString key;       // case-folded key name; empty when the line holds none
    };
    struct Section
    {
        Line header;
        QString name; // case-folded
        std::vector<Line> lines;
    };

    void AddLine(QByteArray text, QByteArray ending);
    const Section* Find(const QString& section) const;
    static const Line* FindKey(const Section& section, const QString& foldedKey);
    Line* LastLine();
    void RebuildIndex();

    QByteArray m_byteOrderMark;
    std::vector<Line> m_leadingLines; // before the first section: belong to none
    std::vector<Section> m_sections;
    QHash<QString, int> m_firstSection; // case-folded name -> index of its first section
    QByteArray m_newLine = QByteArrayLiteral("\n");
    bool m_newLineSeen = false;
};

} // namespace platform
