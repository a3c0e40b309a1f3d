// The files whose new content the agent held back as something else
// altogether: the settings window asks about each at start-up, and again when
// the user comes back to it.
#pragma once

namespace sorel::app {

// Which held-back states a round of questions takes up.
enum class HeldBackRound {
    // At start: every one, whatever was answered before.
    kAll,
    // On coming back to the window (its activation, the agent's balloon):
    // not those the user turned down since, so that focus alone never nags.
    // A file that changed again is a new state and is asked about.
    kNotDeclined,
};

// Asks, for each file the health record says was held back, whether its
// present state is a true change. OK keeps that state as accepted, so the
// agent stores it at its next run; Cancel leaves it held back and says how to
// go back to an earlier state. A file whose present state is accepted
// already, equals one of its generations (the user went back to one), or
// cannot be looked at now, is not asked about. A round asked for while
// another is open (its own boxes move the activation) does nothing.
void AskAboutHeldBackFiles(HeldBackRound round = HeldBackRound::kAll);

}  // namespace sorel::app
