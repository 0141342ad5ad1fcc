// Message boxes and the save dialog answered by the test, with every box recorded.
#pragma once

#include "net/Common.h"
#include "window/Dialogs.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TFakeDialogs : public TDialogs {
public:
    struct TBox {
        TBoxKind Kind;
        QString Text;
    };

    // Installs a fresh fake and returns it; the seam owns it.
    static TFakeDialogs& Install()
    {
        auto fake = std::make_unique<TFakeDialogs>();
        TFakeDialogs& ref = *fake;
        SetDialogs(std::move(fake));
        return ref;
    }

    void ShowMessage(QWidget*, const QString& text) override
    {
        Record(TBoxKind::Plain, text);
        if (ThrowOnMessage) {
            ThrowOnMessage = false;
            throw Exception(ThrowText);
        }
    }
    bool Confirm(QWidget*, const QString& text) override
    {
        Record(TBoxKind::Confirm, text);
        return ConfirmAnswer;
    }
    void ShowError(QWidget*, const QString& text) override { Record(TBoxKind::Error, text); }
    std::optional<QString> SaveFileName(QWidget*, const QString& title, const QString& proposedName,
                                        const QString&, const QString&) override
    {
        ++SaveCalls;
        Proposals.push_back(proposedName);
        SaveTitle = title;
        SaveProposed = proposedName;
        return SaveAnswer;
    }

    std::vector<QString> Texts(TBoxKind kind) const
    {
        std::vector<QString> out;
        for (const auto& box : Boxes)
            if (box.Kind == kind) out.push_back(box.Text);
        return out;
    }

    std::vector<TBox> Boxes;
    bool ConfirmAnswer = true;
    std::optional<QString> SaveAnswer;
    int SaveCalls = 0;
    QString SaveTitle;
    QString SaveProposed;
    std::vector<QString> Proposals;
    // The next plain box throws this error, as a failing handler would.
    bool ThrowOnMessage = false;
    std::string ThrowText;
    // Runs while a box is open, to look at the window at that moment.
    std::function<void(const TBox&)> WhileShown;

private:
    void Record(TBoxKind kind, const QString& text)
    {
        Boxes.push_back({kind, text});
        if (WhileShown) WhileShown(Boxes.back());
    }
};
