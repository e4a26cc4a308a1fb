#pragma once

#include "engine/ConversionOptions.h"

namespace zarta::ui {

class CAdvancedDlg;
class CDescriptionDlg;
class CSecurityDlg;

// Builds the options record of one batch from the three option pages: each page first stores
// its controls (disabled controls are read like enabled ones), then the description and security
// values are copied and each output setting is the text of its list's selected item. Text is
// passed on exactly as entered, as UTF-8. User-interface thread only.
ConversionOptions collectOptions(CDescriptionDlg& description, CSecurityDlg& security,
                                 CAdvancedDlg& advanced);

} // namespace zarta::ui
