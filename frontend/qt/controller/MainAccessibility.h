// Names for the main window's controls whose captions do not say what they
// are to someone who cannot see them.
#pragma once

namespace vantrel {

class TfVantrelMain;

// Names the globe, the product logo, the progress bar and the mode list, in
// the window's language. Called whenever the window's texts are filled.
void NameMainWindowControls(TfVantrelMain& window);

}  // namespace vantrel
