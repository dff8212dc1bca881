#pragma once

#include "WindowRegistry.h"
#include "ui_Form99.h"
#include "webview/WebView.h"

namespace gavelry {

/// The web links window. Its browser is made only when the window is first
/// shown, so that start-up never pays for a web engine; until then it keeps
/// the address it was pointed at.
class Form99 : public WebLinksWindow {
    Q_OBJECT
public:
    explicit Form99(AppContext &ctx, QWidget *parent = nullptr);
    ~Form99() override;
    Ui::Form99 ui;

    void navigate(const QUrl &url) override;
    QUrl currentAddress() const override { return m_address; }
    void SaveData2() override;
    /// The browser widget, null until the window was first shown.
    QWidget *WebBrowser1() const { return m_browser; }

protected:
    void Form_Load() override;
    void showEvent(QShowEvent *event) override;

private:
    void createBrowser();

    QUrl m_address;
    QWidget *m_browser = nullptr;
    GavelrySetWebViewUrl m_setUrl = nullptr;
};

} // namespace gavelry
