#pragma once

#include "core/Window.h"
#include "ui_Form14.h"

namespace gavelry {

/// The About window: product, local station and version.
class Form14 : public Window {
    Q_OBJECT
public:
    explicit Form14(AppContext &ctx, QWidget *parent = nullptr);

protected:
    void Form_Load() override;

private:
    /// The controls, by their names.
    Ui::Form14 ui;
};

} // namespace gavelry
