#pragma once

#include "result.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace nomispot {

// True for '.' and the full stops UTS #46 maps to it: ideographic (U+3002), fullwidth (U+FF0E)
// and halfwidth ideographic (U+FF61).
bool isFullStop(QChar c);

// text with every full stop of isFullStop as '.'; nothing else changes, so positions stay.
QString withAsciiFullStops(QString text);

// Why label cannot be a label of a domain name, as a short phrase ("a name cannot start with a
// hyphen"), or nothing when it can. ASCII labels need letters, digits and hyphens, no hyphen
// first or last, no "--" in the third and fourth places unless they are a valid "xn--" label,
// at most 63 characters; other labels must pass UTS #46 and fit 63 characters once encoded.
std::optional<QString> labelProblem(QStringView label);

// The rules on hyphens a label can break: no hyphen first or last, no "--" in the third and
// fourth places unless the label is a valid "xn--" label.
enum class HyphenRule : std::uint8_t { First, Last, ThirdFourth };

// The hyphen rule an ASCII label breaks, or nothing. An "xn--" label is judged by the label it
// encodes (one that encodes "-café" starts with a hyphen); one that encodes none breaks
// ThirdFourth.
std::optional<HyphenRule> brokenHyphenRule(QStringView label);

// Whether toAsciiName takes labels whose only fault is a hyphen rule: such names are real
// candidates that no registry can take, not typing errors.
enum class HyphenLabels : std::uint8_t { Refuse, Keep };

// The DNS form of a name typed in any script: each label with letters outside ASCII becomes its
// "xn--" form by UTS #46 (non-transitional, with the bidi, joiner, context and STD3 checks);
// ASCII labels stay exactly as typed. Full stops of isFullStop separate labels; empty labels
// are left to the DNS checks. Fails naming the first label that cannot be a domain label, and
// why.
Result<QString> toAsciiName(const QString& name, HyphenLabels hyphens = HyphenLabels::Refuse);

} // namespace nomispot
