#include "EditStyle.h"

#include <QLineEdit>
#include <QValidator>

namespace gavelry {

namespace {

class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

class DigitsValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        for (const QChar c : std::as_const(input))
            if (c < u'0' || c > u'9')
                return Invalid;
        return Acceptable;
    }
};

} // namespace

namespace EditStyle {

void setUpperCase(QLineEdit *edit)
{
    if (edit && !isUpperCase(edit))
        edit->setValidator(new UpperCaseValidator(edit));
}

void setDigitsOnly(QLineEdit *edit)
{
    if (edit && !isDigitsOnly(edit))
        edit->setValidator(new DigitsValidator(edit));
}

bool isUpperCase(const QLineEdit *edit)
{
    return edit && dynamic_cast<const UpperCaseValidator *>(edit->validator());
}

bool isDigitsOnly(const QLineEdit *edit)
{
    return edit && dynamic_cast<const DigitsValidator *>(edit->validator());
}

} // namespace EditStyle
} // namespace gavelry
