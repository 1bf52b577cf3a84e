// The Port list: a drop-down list that is brought up to date each time it opens, so a
// receiver plugged in after the start can be chosen.
#pragma once

#include <QComboBox>
#include <functional>

namespace app {

class PortComboBox final : public QComboBox {
  public:
    explicit PortComboBox(QWidget* parent = nullptr) : QComboBox(parent) {}
    // Runs before the list opens.
    void setRefresh(std::function<void()> refresh) { refresh_ = std::move(refresh); }
    void showPopup() override;

  private:
    std::function<void()> refresh_;
};

}  // namespace app
