// Dialogs answered from a queue; every box shown is recorded.
#pragma once

#include "platform/dialogs.h"

#include <deque>
#include <functional>
#include <vector>

namespace ostra {

class FakeDialogs : public Dialogs {
public:
    struct Shown {
        QString kind;  // "message", "error", "confirm", "open", "save"
        QString text;  // text or dialog title
    };
    void message(const QString& text) override { record(QStringLiteral("message"), text); }
    void error(const QString& text) override { record(QStringLiteral("error"), text); }
    Answer confirm(const QString& text) override {
        record(QStringLiteral("confirm"), text);
        if (answers.empty()) return Answer::Yes;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    // Recorded as "ask" with its text and buttons ("text|act|cancel");
    // answered from `answers` (Yes acts, anything else cancels).
    bool ask(const QString& text, const QString& act, const QString& cancel) override {
        record(QStringLiteral("ask"), text + QLatin1Char('|') + act + QLatin1Char('|') + cancel);
        if (answers.empty()) return true;
        const Answer a = answers.front();
        answers.pop_front();
        return a == Answer::Yes;
    }
    std::optional<QString> openFile(const QString& title, const QString& filter, const QString&) override {
        shown.push_back({QStringLiteral("open"), title});
        lastFilter = filter;
        return nextFileAnswer();
    }
    std::optional<QString> saveFile(const QString& title, const QString& filter, const QString& initial) override {
        shown.push_back({QStringLiteral("save"), title});
        lastFilter = filter;
        lastInitial = initial;
        return nextFileAnswer();
    }

    std::vector<Shown> shown;
    std::deque<Answer> answers;                      // default Yes when empty
    std::deque<std::optional<QString>> fileAnswers;  // default cancel when empty
    std::function<void()> onShow;                    // runs inside every box, as a modal loop would
    QString lastFilter;
    QString lastInitial;

private:
    void record(const QString& kind, const QString& text) {
        shown.push_back({kind, text});
        if (onShow) onShow();
    }
    std::optional<QString> nextFileAnswer() {
        std::optional<QString> a;
        if (!fileAnswers.empty()) {
            a.swap(fileAnswers.front());
            fileAnswers.pop_front();
        }
        return a;
    }
};

}  // namespace ostra
