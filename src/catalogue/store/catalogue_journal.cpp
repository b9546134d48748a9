#include "catalogue_journal.h"

#include <QCryptographicHash>
#include <QList>

namespace {

const QByteArray kHeader = QByteArrayLiteral("wavedock catalogue journal 1");
const QByteArray kHash = QByteArrayLiteral("catalogue-sha256");
const QByteArray kMoves = QByteArrayLiteral("moves");
const QByteArray kRemovals = QByteArrayLiteral("removals");
constexpr int kLastSlot = 500;

QByteArray Line(const QByteArray& name, const std::vector<int>& numbers)
{
    QByteArray line = name;
    for (const int slot : numbers) {
        line += ' ' + QByteArray::number(slot);
    }
    return line + '\n';
}

bool ReadSlots(const QList<QByteArray>& words, std::vector<int>* numbers)
{
    for (qsizetype i = 1; i < words.size(); ++i) {
        bool ok = false;
        numbers->push_back(words[i].toInt(&ok));
        if (!ok || numbers->back() < 0 || numbers->back() > kLastSlot) {
            return false;
        }
    }
    return true;
}

} // namespace

QByteArray CatalogueJournal::HashOf(const QByteArray& catalogue)
{
    return QCryptographicHash::hash(catalogue, QCryptographicHash::Sha256).toHex();
}

QByteArray CatalogueJournal::ToBytes() const
{
    return kHeader + '\n' + kHash + ' ' + catalogueHash + '\n' + Line(kMoves, moves) +
           Line(kRemovals, removals);
}

std::optional<CatalogueJournal> CatalogueJournal::FromBytes(const QByteArray& bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() != 5 || lines[0] != kHeader || !lines[4].isEmpty()) {
        return std::nullopt;
    }
    CatalogueJournal journal;
    const QList<QByteArray> hash = lines[1].split(' ');
    const QList<QByteArray> moves = lines[2].split(' ');
    const QList<QByteArray> removals = lines[3].split(' ');
    if (hash.size() != 2 || hash[0] != kHash || moves[0] != kMoves || removals[0] != kRemovals ||
        !ReadSlots(moves, &journal.moves) || !ReadSlots(removals, &journal.removals)) {
        return std::nullopt;
    }
    journal.catalogueHash = hash[1];
    return journal;
}
