#include "app/dialogs.h"

#include <QMessageBox>

namespace {

class RealDialogs final : public Dialogs
{
public:
    BoxAnswer messageBox(QWidget* parent, const QString& text, const QString& title, BoxIcon icon,
                         BoxButtons buttons) override
    {
        QMessageBox box(parent);
        box.setWindowTitle(title);
        box.setText(text);
        switch (icon) {
        case BoxIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case BoxIcon::Question: box.setIcon(QMessageBox::Question); break;
        case BoxIcon::Information: box.setIcon(QMessageBox::Information); break;
        case BoxIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        }
        if (buttons == BoxButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::No);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        // Big enough to read and to hit with a finger on a whiteboard.
        QFont font = box.font();
        font.setPixelSize(22);
        box.setFont(font);
        const int answer = box.exec();
        if (buttons == BoxButtons::Ok)
            return BoxAnswer::Ok;
        return answer == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
    }
};

Dialogs* installed = nullptr;

} // namespace

Dialogs& Dialogs::current()
{
    static RealDialogs real;
    return installed ? *installed : real;
}

void Dialogs::install(Dialogs* dialogs)
{
    installed = dialogs;
}
