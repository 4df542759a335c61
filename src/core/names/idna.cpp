#include "names/idna.h"

#include <QStringList>
#include <memory>
#include <unicode/uidna.h>

namespace nomispot {

namespace {

bool isAscii(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

struct IdnaCloser {
    void operator()(UIDNA* idna) const { uidna_close(idna); }
};

Result<QString> labelToAscii(const UIDNA* idna, const QString& label) {
    const Failure refused{QStringLiteral("\"%1\" cannot be part of a domain name").arg(label)};
    UChar out[256];
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        uidna_labelToASCII(idna, reinterpret_cast<const UChar*>(label.utf16()),
                           static_cast<int32_t>(label.size()), out, 256, &info, &status);
    if (U_FAILURE(status) || info.errors != 0 || length <= 0 || length > 255)
        return refused;
    return QString(reinterpret_cast<const QChar*>(out), length);
}

} // namespace

Result<QString> toAsciiName(const QString& name) {
    if (isAscii(name))
        return name;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UIDNA, IdnaCloser> idna(
        uidna_openUTS46(UIDNA_USE_STD3_RULES | UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ |
                            UIDNA_CHECK_CONTEXTO | UIDNA_NONTRANSITIONAL_TO_ASCII,
                        &status));
    if (U_FAILURE(status))
        return Failure{QStringLiteral("international names cannot be converted here")};
    QStringList labels = name.split(u'.');
    for (QString& label : labels) {
        if (isAscii(label))
            continue;
        Result<QString> ascii = labelToAscii(idna.get(), label);
        if (!ascii)
            return ascii.error();
        label = *ascii;
    }
    return labels.join(u'.');
}

} // namespace nomispot
