#include "util/webview/WebView.h"

#include <QUrl>
#include <QWebEngineView>

extern "C" Q_DECL_EXPORT QWidget *gavelryCreateWebView(QWidget *parent)
{
    return new QWebEngineView(parent);
}

extern "C" Q_DECL_EXPORT void gavelrySetWebViewUrl(QWidget *view, const QUrl &url)
{
    if (auto *web = qobject_cast<QWebEngineView *>(view))
        web->setUrl(url);
}
