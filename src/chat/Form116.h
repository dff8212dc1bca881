#pragma once

#include "Window.h"

namespace gavelry {

/// The canned-message window.
class Form116 : public Window {
    Q_OBJECT
public:
    explicit Form116(AppContext &ctx, QWidget *parent = nullptr);

protected:
    void Form_Load() override;
};

} // namespace gavelry
