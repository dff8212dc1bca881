#pragma once

#include "core/WindowRegistry.h"
#include "util/clsResize.h"
#include "ui_Form99.h"
#include "util/webview/WebView.h"

#include <memory>

namespace gavelry {

/// The web links window: a callsign look-up, the EchoLink and eQSL sites and
/// ten addresses of the operator's own with a comment each (zurazod2.ini),
/// all shown in the window's own browser.
///
/// The browser is made only when the window is first shown, so a session
/// that never opens the window never loads a web engine (nor, through it,
/// OpenGL); until then the window keeps the address it was last pointed at.
/// Where no engine can run (no display, a build without one, root without
/// the engine's sandbox switched off) the window shows the address with a
/// button that hands it to the desktop's own browser instead.
class Form99 : public WebLinksWindow {
    Q_OBJECT
public:
    explicit Form99(AppContext &ctx, QWidget *parent = nullptr);
    ~Form99() override;

    void navigate(const QUrl &url) override;
    QUrl currentAddress() const override;
    /// Writes zurazod2.ini; a failure is shown in a message box.
    void SaveData2() override;
    const SettingsLayout *settingsLayout() const override;

    /// Shows address in the browser; the address goes to it as it stands.
    void browse(const QString &address);
    /// The last address the window was asked to show, as it was given.
    const QString &address() const { return m_address; }
    /// The lookup page of callsign.
    static QString lookupAddress(const QString &callsign);

    /// The browser widget, null until the window was first shown; the
    /// placeholder page where no engine runs.
    QWidget *WebBrowser1() const { return m_browser; }

    void Command1_Click();
    /// Opens the shown address with the desktop's own browser.
    void OpenInDesktop_Click();

signals:
    /// The window was asked to show address.
    void browsing(const QString &address);

protected:
    void Form_Load() override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    /// The controls, by their names.
    Ui::Form99 ui;

    void Text1_Change();
    void createBrowser();
    void showPlaceholder(const QString &why);

    QString m_address;
    QString m_noBrowserReason;
    QWidget *m_browser = nullptr;
    GavelrySetWebViewUrl m_setUrl = nullptr;
    std::unique_ptr<clsResize> m_resize;
    bool m_text1Changed = false;
};

} // namespace gavelry
