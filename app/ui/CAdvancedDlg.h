#pragma once

#include "app/ui/OptionPage.h"
#include "engine/DocumentCompression.h"
#include "engine/ImageCompression.h"
#include "engine/JpegQuality.h"
#include "engine/PdfVersion.h"

class QCheckBox;
class QComboBox;

namespace zarta::ui {

// The "Advanced" option page: six lists filled from the option table (engine/OptionTable.h), each
// starting at its setting's default, the "Alternate EMF Rendering" box, unchecked, and two boxes
// for the structure-keeping route (keep links, bookmarks and properties; a tagged PDF), unchecked.
// "Page Layout", "Page Mode" and "Alternate EMF Rendering" can be operated but nothing reads them.
//
// The desktop program's lists allow no typing; the add-in's have a text field, but typing in it
// never adds an item, and the value read is always the selected item's. The page keeps no values
// of its own: the selected items are read straight from the lists.
class CAdvancedDlg : public OptionPage {
    Q_OBJECT
public:
    struct Ids {
        int page;
        int pageLayout;
        int pageMode;
        int documentCompression;
        int imagesCompression;
        int jpegQuality;
        int pdfVersion;
        int alternateEmfRendering;
        int keepStructure;
        int tagged;
    };
    static constexpr Ids desktopIds{134, 1026, 1027, 1028, 1029, 1024, 1025, 1030, 1040, 1041};
    static constexpr Ids addInIds{205, 214, 215, 216, 217, 218, 219, 220, 240, 241};
    static const Ids& ids(UiVariant variant);

    explicit CAdvancedDlg(UiVariant variant, QWidget* parent = nullptr);

    void storeControls() override {}

    // The selected items' values. Should a list have nothing selected, the setting's default is
    // read.
    DocumentCompression documentCompression() const;
    ImageCompression imagesCompression() const;
    JpegQuality jpegQuality() const;
    PdfVersion pdfVersion() const;
    // Whether the structure-keeping route is chosen, and a tagged PDF.
    bool keepStructure() const;
    bool tagged() const;

private:
    QComboBox* pageLayout_ = nullptr;
    QComboBox* pageMode_ = nullptr;
    QComboBox* documentCompression_ = nullptr;
    QComboBox* imagesCompression_ = nullptr;
    QComboBox* jpegQuality_ = nullptr;
    QComboBox* pdfVersion_ = nullptr;
    QCheckBox* alternateEmfRendering_ = nullptr;
    QCheckBox* keepStructure_ = nullptr;
    QCheckBox* tagged_ = nullptr;
};

} // namespace zarta::ui
