// The files whose new content the agent held back as something else
// altogether: the settings window asks about each at start-up.
#pragma once

namespace sorel::app {

// Asks, for each file the health record says was held back, whether its
// present state is a true change. OK keeps that state as accepted, so the
// agent stores it at its next run; Cancel leaves it held back and says how to
// go back to an earlier state. A file whose present state is accepted
// already, or that cannot be looked at now, is not asked about.
void AskAboutHeldBackFiles();

}  // namespace sorel::app
