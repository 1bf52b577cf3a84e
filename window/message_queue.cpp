#include "window/message_queue.h"

#include <utility>

namespace app {

void MessageQueue::message(const QString& text) {
    push({Item::Kind::Message, text, {}, {}});
}

void MessageQueue::overview(const QString& text, OverviewShown shown) {
    push({Item::Kind::Message,
          text,
          {},
          {},
          std::make_shared<const OverviewShown>(std::move(shown))});
}

void MessageQueue::question(const QString& text, std::function<void(bool)> answer) {
    push({Item::Kind::Question, text, std::move(answer), {}});
}

void MessageQueue::after(std::function<void()> action) {
    push({Item::Kind::Action, {}, {}, std::move(action)});
}

void MessageQueue::push(Item item) {
    items_.push_back(std::move(item));
    run();
}

// Takes the queue as far as it goes without an open box. An answer that comes at once
// (from inside the dialog call) lets the loop go on rather than nesting another run.
void MessageQueue::run() {
    if (running_) return;
    running_ = true;
    while (!open_ && !items_.empty()) {
        Item item = std::move(items_.front());
        items_.pop_front();
        if (item.kind == Item::Kind::Action) {
            if (item.action) item.action();
            continue;
        }
        open_ = true;
        if (item.kind == Item::Kind::Message && item.overview) {
            dialogs_.overview(parent_, item.text, *item.overview,
                              [this, item] { answered(item, false); });
        } else if (item.kind == Item::Kind::Message) {
            dialogs_.message(parent_, item.text, [this, item] { answered(item, false); });
        } else {
            dialogs_.retryCancel(parent_, item.text,
                                 [this, item](bool retry) { answered(item, retry); });
        }
    }
    running_ = false;
}

void MessageQueue::answered(const Item& item, bool retry) {
    open_ = false;
    if (item.answer) item.answer(retry);
    run();
}

}  // namespace app
