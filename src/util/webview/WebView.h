#pragma once

// The web view lives in a module of its own, loaded the first time the web
// links window is shown: a process that never shows that window never loads
// the web engine's libraries, which would otherwise cost every start-up.

class QWidget;
class QUrl;

#define GAVELRY_WEBVIEW_CREATE "gavelryCreateWebView"
#define GAVELRY_WEBVIEW_SET_URL "gavelrySetWebViewUrl"

using GavelryCreateWebView = QWidget *(*)(QWidget *parent);
using GavelrySetWebViewUrl = void (*)(QWidget *view, const QUrl &url);
