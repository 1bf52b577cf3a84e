// Message boxes and the save dialog on Qt, titled with the program's name.
#pragma once

#include "window/services.h"

namespace app {

class QtDialogs final : public Dialogs {
  public:
    void message(QWidget* parent, const QString& text, std::function<void()> closed) override;
    void overview(QWidget* parent, const QString& text, const OverviewShown& shown,
                  std::function<void()> closed) override {
        openOverviewBox(parent, text, shown, std::move(closed));
    }
    void retryCancel(QWidget* parent, const QString& text,
                     std::function<void(bool)> answered) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& title,
                                        const QStringList& filters, const QString& current,
                                        QString& chosenFilter) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                        const QStringList& filters,
                                        const QString& current) override;
};

}  // namespace app
