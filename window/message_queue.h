// The window's message boxes, one at a time: a download may tell several things in a row,
// and what follows a message (writing the last file, ending the program) waits until the
// user has answered it. Nothing here waits: each box is opened and the queue goes on when
// its answer comes back as an event.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <memory>

#include "window/services.h"

namespace app {

class MessageQueue {
  public:
    MessageQueue(Dialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}

    void message(const QString& text);
    // A message shown with the overview of the track beside it.
    void overview(const QString& text, OverviewShown shown);
    void question(const QString& text, std::function<void(bool)> answer);
    // Runs once every box queued before it has been answered.
    void after(std::function<void()> action);
    bool pending() const { return open_ || !items_.empty(); }

  private:
    struct Item {
        enum class Kind { Message, Question, Action } kind;
        QString text;
        std::function<void(bool)> answer;                    // a question's
        std::function<void()> action;                        // an action's
        std::shared_ptr<const OverviewShown> overview = {};  // a message's, when it has one
    };

    void push(Item item);
    void run();
    void answered(const Item& item, bool retry);

    Dialogs& dialogs_;
    QWidget* parent_;
    std::deque<Item> items_;
    bool open_ = false;     // a box waits for its answer
    bool running_ = false;  // inside run(): a fake's answer at once comes back into it
};

}  // namespace app
