#pragma once

#include <QByteArray>
#include <optional>
#include <vector>

// What a deletion still owes the playlist files once its new catalogue is in
// place. It is on disk beside the catalogue before any playlist is touched and
// goes only when every step is done, so the next start can finish the work or
// undo it. The catalogue replacement is the commit point: the journal names the
// catalogue that the change writes by its SHA-256.
struct CatalogueJournal
{
    QByteArray catalogueHash;  // SHA-256 of the catalogue after the change, hex
    std::vector<int> moves;    // slot t: its staged file becomes the playlist of t
    std::vector<int> removals; // slot t: its playlist file goes

    static QByteArray HashOf(const QByteArray& catalogue);
    bool IsCommitted(const QByteArray& catalogue) const
    {
        return HashOf(catalogue) == catalogueHash;
    }

    QByteArray ToBytes() const;
    // Nothing for bytes that are not a journal of ours.
    static std::optional<CatalogueJournal> FromBytes(const QByteArray& bytes);
};
