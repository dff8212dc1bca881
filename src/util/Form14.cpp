#include "util/Form14.h"

#include "core/Caption.h"
#include "platform/ClientLink.h"

namespace gavelry {

Form14::Form14(AppContext &context, QWidget *parent) : Window(context, parent)
{
    ui.setupUi(this);
    connect(ui.Command1, &QPushButton::clicked, this, &QWidget::hide);
}

void Form14::Form_Load()
{
    const QString caption = windowCaption(createClient().localCallsign());
    setWindowTitle(caption);
    ui.Label6->setText(caption);
}

} // namespace gavelry
