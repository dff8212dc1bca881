#pragma once

#include "Window.h"
#include "ui_Form14.h"

namespace gavelry {

/// The About window: product, local station and version.
class Form14 : public Window {
    Q_OBJECT
public:
    explicit Form14(AppContext &ctx, QWidget *parent = nullptr);
    Ui::Form14 ui;

protected:
    void Form_Load() override;
};

} // namespace gavelry
