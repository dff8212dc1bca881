#pragma once

#include <QString>

/// The web sites the web links window knows. The look-up, EchoLink and eQSL
/// hosts are ours to choose and live here only; the page names after them
/// are the sites' own.
namespace gavelry::websites {

/// The callsign look-up: this address followed directly by the callsign.
inline QString qrzLookup() { return QStringLiteral("https://www.qrz.com/db/"); }
/// The EchoLink web site, without a closing slash: pages are appended.
inline QString echoLinkSite() { return QStringLiteral("https://www.echolink.org"); }
inline QString echoLinkHome() { return echoLinkSite() + u'/'; }
inline QString echoLinkLogins() { return echoLinkSite() + QStringLiteral("/logins.jsp"); }
inline QString echoLinkProxies() { return echoLinkSite() + QStringLiteral("/proxylist.jsp"); }
/// The award-card site.
inline QString eqslHome() { return QStringLiteral("https://www.eqsl.cc/"); }
/// The window's own first page: about the sister program Brindlecast.
inline QString startPage() { return QStringLiteral("https://brindlecast.example.org/"); }
/// The two addresses a fresh installation offers.
inline QString fernwickSite() { return QStringLiteral("http://www.fernwick.example/"); }
inline QString brindlecastSite() { return QStringLiteral("https://brindlecast.example.org/"); }

} // namespace gavelry::websites
