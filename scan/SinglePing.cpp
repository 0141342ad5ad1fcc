#include "net/Common.h"
#include "window/PingTst1.h"

#include <QPushButton>
#include <QTabWidget>

namespace {

// Blanks and control characters off both ends, as every octet field is read.
std::string TrimmedText(const QLineEdit* edit)
{
    return Trim(edit->text().toStdString());
}

} // namespace

void TForm1::PingButtonClick()
{
    Button1->setEnabled(false);
    Timer1->SetEnabled(false);
    PingButton->setEnabled(false);
    Button3->setEnabled(false);
    Button7->setEnabled(false);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet3), false);

    // The controls come back whatever happens below.
    struct Unlock {
        TForm1* Form;
        ~Unlock()
        {
            Form->PingButton->setEnabled(true);
            Form->Button3->setEnabled(true);
            Form->Button7->setEnabled(true);
            Form->PageControl1->setTabVisible(Form->PageControl1->indexOf(Form->TabSheet3), true);
            Form->Button1->setEnabled(true);
        }
    } unlock{this};

    Edit1Enter();
    RadioGroup2Click();
    PrepareResultSheet();
    PingAddress = QString::fromStdString(TrimmedText(Edit1) + '.' + TrimmedText(Edit2) + '.' +
                                         TrimmedText(Edit3) + '.' + TrimmedText(Edit4));
    Ping1->SetAddress(PingAddress.toStdString());
    Ping1->Ping();
}
