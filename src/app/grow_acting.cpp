#include "app/grow_acting.h"

namespace ostra {

GrowActing::GrowActing(Deps deps, QObject* parent) : QObject(parent), d_(deps) {
    act::ApplicationActions& a = d_.actions;
    connect(&a, &act::ApplicationActions::stateChanged, this, &GrowActing::stateChanged);
    connect(&a, &act::ApplicationActions::fellBackToSignals, this,
            [this](const QString& key, const QString& note) {
                notes_.insert(key, note);
                showState(key);
            });
    connect(&a, &act::ApplicationActions::endNowOffered, this, &GrowActing::refreshOffer);
    connect(&a, &act::ApplicationActions::offersChanged, this, &GrowActing::refreshOffer);
    connect(&a, &act::ApplicationActions::failed, this, [this](const QString&, const QString& message) {
        if (window_) window_->showNote(message);
        refreshOffer();
    });
}

void GrowActing::attach(grow::GrowWindow& w) {
    window_ = &w;
    d_.actions.lookAround();
    connect(&w, &grow::GrowWindow::selectionChanged, this, &GrowActing::refreshOffer);
    connect(&w, &grow::GrowWindow::pauseRequested, this, &GrowActing::pause);
    connect(&w, &grow::GrowWindow::resumeRequested, this, &GrowActing::resume);
    connect(&w, &grow::GrowWindow::closeRequested, this, &GrowActing::close);
    connect(&w, &grow::GrowWindow::endRequested, this, &GrowActing::end);
    connect(&w, &grow::GrowWindow::endNowRequested, this, &GrowActing::endNow);
    for (auto it = states_.cbegin(); it != states_.cend(); ++it) showState(it.key());
    refreshOffer();
}

void GrowActing::stateChanged(const QString& key, const QString& state) {
    if (state.isEmpty()) {
        states_.remove(key);
        notes_.remove(key);
    } else {
        states_.insert(key, state);
    }
    showState(key);
    refreshOffer();
}

void GrowActing::showState(const QString& key) {
    if (!window_) return;
    const QString state = states_.value(key);
    const QString note = notes_.value(key);
    // A pause that went by signals says so.
    if (state == QLatin1String(act::kPausedState) && !note.isEmpty())
        window_->setRowState(key, QString::fromLatin1(kPausedWithSignals), note);
    else
        window_->setRowState(key, state);
}

void GrowActing::refreshOffer() {
    if (!window_) return;
    const std::optional<grow::GrowthRow> row = window_->selectedRow();
    if (!row) {
        window_->setOffer({});
        return;
    }
    const act::ApplicationActions::Offer o = d_.actions.offer(act::targetOf(*row, d_.processes));
    window_->setOffer({o.pause, o.resume, o.close, o.end, o.endNow, o.reason});
}

bool GrowActing::mayPause(const grow::GrowthRow& row) {
    return d_.actions.offer(act::targetOf(row, d_.processes)).pause;
}

void GrowActing::pause(const grow::GrowthRow& row) {
    if (window_) window_->showNote({});
    d_.actions.pause(act::targetOf(row, d_.processes));
}

void GrowActing::resume(const grow::GrowthRow& row) { d_.actions.resume(row.key); }

void GrowActing::close(const grow::GrowthRow& row) {
    if (window_) window_->showNote({});
    d_.actions.close(act::targetOf(row, d_.processes));
}

void GrowActing::end(const grow::GrowthRow& row) {
    const act::Target t = act::targetOf(row, d_.processes);
    if (!d_.dialogs.ask(act::ApplicationActions::endQuestion(t), QString::fromLatin1(kEndButton),
                        QString::fromLatin1(kCancelButton)))
        return;
    // The processes as chosen before the question: one that ended while
    // it was open gets nothing, and a PID reused meanwhile is not taken.
    d_.actions.end(t);
    refreshOffer();
}

void GrowActing::endNow(const grow::GrowthRow& row) {
    const act::Target t = act::targetOf(row, d_.processes);
    if (!d_.dialogs.ask(act::ApplicationActions::endNowQuestion(t), QString::fromLatin1(kEndButton),
                        QString::fromLatin1(kCancelButton)))
        return;
    d_.actions.endNow(t);
    refreshOffer();
}

}  // namespace ostra
