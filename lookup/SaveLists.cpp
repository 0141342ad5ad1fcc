// Save List and Clear List under the list of found computers and the result sheet.
#include "window/Dialogs.h"
#include "window/PingTst1.h"

#include <QLocale>
#include <QTime>

#include <exception>

namespace {

// The locale's long time format without its time zone, and with two-digit
// minutes and seconds: the report shows the time of day only.
QString LongTimeFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == u'\'') {                    // quoted literal, copied as it stands
            const qsizetype end = format.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? format.size() : end + 1;
            out += format.mid(i, stop - i);
            i = stop;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c) ++run;
        if (c == u't') {
            // zone dropped
        } else if ((c == u'm' || c == u's') && run == 1) {
            out += QString(2, c);
        } else {
            out += format.mid(i, run);
        }
        i += run;
    }
    out.remove(QStringLiteral("()"));
    return out.simplified();
}

QString TimeOfDay()
{
    const QLocale locale;   // the user's locale unless the program chose another
    return locale.toString(QTime::currentTime(), LongTimeFormat(locale));
}

std::string FileNameBytes(const QString& name)
{
    return name.toLocal8Bit().toStdString();
}

bool SaveSheet(const TRichEdit& sheet, const QString& fileName)
{
    const QByteArray bytes = sheet.FileBytes();
    return WriteFileReplacing(FileNameBytes(fileName), bytes.toStdString());
}

} // namespace

void TForm1::Button7Click()
{
    ListView1->Clear();
}

void TForm1::Button3Click()
{
    if (ListView1->Count() == 0) {
        Dialogs().ShowMessage(this, QStringLiteral("There aren't items to save in this ListView"));
        return;
    }
    if (SaveDialog2.Title.isEmpty()) SaveDialog2.Title = QStringLiteral("Save List Of Computers");
    if (SaveDialog2.FileName.isEmpty()) SaveDialog2.FileName = QStringLiteral("ComputerList");
    if (!SaveDialog2.Execute(this)) return;
    const QString fileName = SaveDialog2.FileName;

    bool saved = false;
    try {
        RichEdit2->Clear();
        RichEdit2->Add(QStringLiteral("Scanvet Address - finded computers"));
        RichEdit2->Add(QString(35, u'='));
        RichEdit2->Add(QString());
        RichEdit2->Add(QStringLiteral("Param      :"));
        RichEdit2->Add(QString());
        RichEdit2->Add(QStringLiteral("IP Address : ") + Edit1->text() + u'.' + Edit2->text() + u'.'
                       + Edit3->text() + QStringLiteral(".xxx"));
        RichEdit2->Add(QStringLiteral("IP range   : min = ") + Edit8->text());
        RichEdit2->Add(QStringLiteral("IP range   : max = ") + Edit9->text());
        RichEdit2->Add(QString());
        RichEdit2->Add(QStringLiteral("Report generated at : ") + TimeOfDay());
        RichEdit2->Add(QString());
        for (int i = 0; i < ListView1->Count(); ++i) {
            QString line = ListView1->Text(i);
            switch (ListView1->ImageIndex(i)) {
            case 0: line += QStringLiteral(" On"); break;
            case 1: line += QStringLiteral(" Off"); break;
            default: break;
            }
            RichEdit2->Add(line);
        }
        RichEdit2->Add(QString());
        RichEdit2->Add(QStringLiteral("--- End of List ---"));
        saved = SaveSheet(*RichEdit2, fileName);
    } catch (const std::exception&) {
        saved = false;
    }
    if (!saved) Dialogs().ShowMessage(this, QStringLiteral("Cannot save file ") + fileName);
}

void TForm1::Button5Click()
{
    if (SaveDialog1.Title.isEmpty()) SaveDialog1.Title = QStringLiteral("Save Scanvet Results");
    if (SaveDialog1.FileName.isEmpty()) SaveDialog1.FileName = QStringLiteral("ScanvetStatus");
    if (!SaveDialog1.Execute(this)) return;
    if (!SaveSheet(*RichEdit1, SaveDialog1.FileName))
        Dialogs().ShowMessage(this, QStringLiteral("Cannot save file ") + SaveDialog1.FileName);
}

void TForm1::Button4Click()
{
    RichEdit1->Clear();
    RichEdit1->document()->setModified(false);
}
