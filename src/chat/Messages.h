#pragma once

#include "WindowRegistry.h"
#include "ui_Messages.h"

namespace gavelry {

/// The chat window.
class Messages : public ChatWindow {
    Q_OBJECT
public:
    explicit Messages(AppContext &ctx, QWidget *parent = nullptr);
    Ui::Messages ui;

    void TXText() override;
    void TXText2() override;
    QLineEdit *TextTX() const override { return ui.TextTX; }

protected:
    void Form_Load() override;
};

} // namespace gavelry
