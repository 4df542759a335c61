#pragma once

#include <QString>
#include <QStringView>

namespace nomispot {

// A status line or a reason is a few words; a registry that sends more is cut here.
inline constexpr qsizetype kNetworkTextLimit = 500;

// Text a peer on the network sent, made safe to show, save or print: control characters and
// the invisible direction overrides are dropped, runs of white space become one blank, and at most
// maxChars characters remain (a cut ends in "…").
QString cleanNetworkText(QStringView text, qsizetype maxChars = kNetworkTextLimit);

// The same for a whole multi-line text (an answer shown in full): line ends and tabs are kept,
// and lines longer than lineChars are broken, so that no single line is megabytes long.
QString cleanNetworkLines(QStringView text, qsizetype lineChars);

} // namespace nomispot
