#pragma once

#include "core/Window.h"
#include "ui_Form116.h"

namespace gavelry {

/// The canned-message window: twenty stock phrases, each with its own
/// "Send" button, kept in textmessage.ini. A canned message goes out through
/// the chat window's TXText, so it is stamped and echoed like typed text,
/// and leaves whatever the operator is typing there alone.
class Form116 : public Window {
    Q_OBJECT
public:
    explicit Form116(AppContext &ctx, QWidget *parent = nullptr);

    /// Message box n (1-20).
    QLineEdit *messageBox(int n) const;
    /// Writes textmessage.ini; a failure is shown in a message box.
    void SaveData();
    const SettingsLayout *settingsLayout() const override;

protected:
    void Form_Load() override;

private:
    void sendMessage(int n);

    /// The controls, by their names.
    Ui::Form116 ui;
};

} // namespace gavelry
