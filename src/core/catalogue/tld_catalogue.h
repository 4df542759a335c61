#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace nomispot {

struct TldEntry {
    QString tld;
    QString description;
    QString registrySite;
    std::uint8_t selected = 0; // only 1 counts as selected
    QString subdomains;        // second-level labels separated by ':'

    bool isSelected() const { return selected == 1; }
    // A site of fewer than 3 characters counts as none.
    bool hasRegistrySite() const { return registrySite.size() >= 3; }
};

struct TldCatalogue {
    static constexpr int kSlots = 301;

    std::array<TldEntry, kSlots> entries;
    std::int16_t count = 0;

    TldEntry& operator[](int i) { return entries[static_cast<std::size_t>(i)]; }
    const TldEntry& operator[](int i) const { return entries[static_cast<std::size_t>(i)]; }
};

// The eight built-in TLDs, numbered 1 to 8 in the order they are searched.
struct DefaultTlds {
    static constexpr std::int16_t count = 8;
    static const QStringList& list();
    // ".com.net..." as the domain dialog shows it.
    static QString label();
};

std::int16_t CountSelected(const TldCatalogue& catalogue);
void setAllSelected(TldCatalogue& catalogue, bool selected);

// Catalogue index of the last label of suffix; 0 when no entry matches, count for empty text.
std::int16_t FindTldIndex(const TldCatalogue& catalogue, const QString& suffix);

} // namespace nomispot
