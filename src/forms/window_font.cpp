#include "forms/window_font.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace vintrel::forms {
namespace {

std::vector<FontStrike> g_strikes;

// The bitmap location table of a TrueType file holds one 48-byte record per strike after an
// 8-byte header. A copy of the file whose table lists only one strike is a face with that
// strike alone; the bitmap data stays where it is, since records point into it by offset.
constexpr int kStrikeRecord = 48;

struct StrikeTable {
    qsizetype offset = -1;  // of the table in the file
    quint32 count = 0;
};

StrikeTable findStrikeTable(const QByteArray& file) {
    const auto* d = reinterpret_cast<const uchar*>(file.constData());
    const qsizetype size = file.size();
    if (size < 12) return {};
    const int tables = qFromBigEndian<quint16>(d + 4);
    for (int i = 0; i < tables; ++i) {
        const qsizetype record = 12 + qsizetype{16} * i;
        if (record + 16 > size) return {};
        if (std::memcmp(d + record, "EBLC", 4) != 0) continue;
        const quint32 offset = qFromBigEndian<quint32>(d + record + 8);
        const quint32 length = qFromBigEndian<quint32>(d + record + 12);
        if (offset > static_cast<quint64>(size) || length > static_cast<quint64>(size) - offset || length < 8)
            return {};
        const quint32 count = qFromBigEndian<quint32>(d + offset + 4);
        if (count > (length - 8) / kStrikeRecord) return {};
        return {static_cast<qsizetype>(offset), count};
    }
    return {};
}

}  // namespace

std::vector<FontStrike> installWindowFont(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray original = file.readAll();
    const StrikeTable table = findStrikeTable(original);
    std::vector<FontStrike> strikes;
    for (quint32 k = 0; k < table.count; ++k) {
        QByteArray face = original;
        auto* t = reinterpret_cast<uchar*>(face.data()) + table.offset;
        uchar* record = t + 8 + kStrikeRecord * k;
        const int ascender = static_cast<signed char>(record[16]);
        const int descender = static_cast<signed char>(record[17]);
        std::memmove(t + 8, record, kStrikeRecord);
        qToBigEndian<quint32>(1, t + 4);
        if (QFontDatabase::addApplicationFontFromData(face) < 0) continue;
        // A raster face's character height is its cell less the internal leading, which in
        // these strikes is the part below the baseline.
        strikes.push_back({ascender - descender, ascender});
    }
    if (strikes.empty() && table.count == 0 && QFontDatabase::addApplicationFont(path) >= 0) {
        // No bitmap strikes: a scalable face, sized by character height directly.
    }
    std::sort(strikes.begin(), strikes.end(),
              [](const FontStrike& a, const FontStrike& b) { return a.cellHeight < b.cellHeight; });
    g_strikes = strikes;
    return strikes;
}

const std::vector<FontStrike>& windowFontStrikes() {
    return g_strikes;
}

int strikePixelSize(const std::vector<FontStrike>& strikes, int characterHeight) {
    for (const FontStrike& s : strikes)
        if (s.characterHeight == characterHeight) return s.cellHeight;
    for (const FontStrike& s : strikes)
        if (s.cellHeight >= characterHeight) return s.cellHeight;
    return characterHeight;
}

QFont formFont(int characterHeight, bool bold, bool underline) {
    QFont font(QString::fromLatin1(kWindowFontFamily));
    font.setPixelSize(strikePixelSize(g_strikes, characterHeight));
    font.setBold(bold);
    font.setUnderline(underline);
    font.setStyleStrategy(QFont::NoAntialias);
    // Emboldening a raster face widens every character by the pixel it is drawn again at.
    // Set either way, so that a regular control does not inherit a bold parent's spacing.
    font.setLetterSpacing(QFont::AbsoluteSpacing, needsOverstrike(font) ? 1 : 0);
    return font;
}

bool needsOverstrike(const QFont& font) {
    if (!font.bold()) return false;
    static QHash<QString, bool> lacksBold;
    const QString family = QFontInfo(font).family();
    const auto known = lacksBold.constFind(family);
    if (known != lacksBold.constEnd()) return *known;
    bool hasBold = false;
    for (const QString& style : QFontDatabase::styles(family))
        if (QFontDatabase::weight(family, style) >= QFont::DemiBold) hasBold = true;
    lacksBold.insert(family, !hasBold);
    return !hasBold;
}

}  // namespace vintrel::forms
