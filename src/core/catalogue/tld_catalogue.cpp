#include "catalogue/tld_catalogue.h"

#include <algorithm>

namespace nomispot {

const QStringList& DefaultTlds::list() {
    static const QStringList tlds{"com", "net", "org", "us", "to", "tv", "tm", "nu"};
    return tlds;
}

QString DefaultTlds::label() {
    QString text;
    for (const QString& tld : list())
        text += u'.' + tld;
    return text;
}

std::int16_t CountSelected(const TldCatalogue& catalogue) {
    const auto begin = catalogue.entries.begin();
    return static_cast<std::int16_t>(std::count_if(
        begin, begin + catalogue.count, [](const TldEntry& e) { return e.isSelected(); }));
}

void setAllSelected(TldCatalogue& catalogue, bool selected) {
    for (int i = 0; i < catalogue.count; ++i)
        catalogue[i].selected = selected ? 1 : 0;
}

std::int16_t FindTldIndex(const TldCatalogue& catalogue, const QString& suffix) {
    const QString last = suffix.mid(suffix.lastIndexOf(u'.') + 1);
    std::int16_t found = 0;
    const int end = std::min<int>(catalogue.count, TldCatalogue::kSlots - 1);
    for (int k = 1; k <= end; ++k)
        if (catalogue[k].tld == last)
            found = static_cast<std::int16_t>(k);
    return found;
}

} // namespace nomispot
