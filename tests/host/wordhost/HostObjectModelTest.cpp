// The host's object model with a recording backend, driven by the real add-in object.

#include "host/wordhost/HostObjectModel.h"
#include "addin/ButtonFace.h"
#include "addin/CWordAddin.h"
#include "host/wordhost/HostClipboard.h"
#include "host/wordhost/WordHostIds.h"
#include "platform/clipboard/QtClipboard.h"
#include "platform/com/ComModule.h"
#include "platform/com/IConnectionPointContainer.h"
#include "tests/host/wordhost/RecordingHostBackend.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>

using namespace zarta;
using namespace zarta::addin;
using namespace zarta::com;
using namespace zarta::wordhost;

namespace {

// A small picture of one colour as PNG bytes.
RecordingHostBackend::Bytes facePng(Qt::GlobalColor colour) {
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return {bytes.begin(), bytes.end()};
}

class RecordingDialogRunner final : public ConvertDialogRunner {
public:
    void run(const Request& request, const std::function<void()>& whileWaiting) override {
        paths.push_back(request.documentPath);
        requests.push_back(request);
        if (whileWaiting) {
            whileWaiting();
        }
    }
    std::vector<std::string> paths;
    std::vector<Request> requests;
};

class HostModel : public ::testing::Test {
protected:
    HostModel() {
        ComPtr<IDTExtensibility2> made;
        EXPECT_EQ(CWordAddin::create(module, {clipboard, &dialog}, nullptr, IID_IDTExtensibility2,
                                     made.putVoid()),
                  S_OK);
        addin = made;
    }

    ComModule module;
    QtClipboard clipboard;
    RecordingDialogRunner dialog;
    RecordingHostBackend backend;
    std::unique_ptr<HostObjectModel> model = std::make_unique<HostObjectModel>(backend);
    ComPtr<IDTExtensibility2> addin;
};

TEST_F(HostModel, TheAddinsToolbarAndButtonReachTheBackendAndAClickRunsItsDialog) {
    const RecordingHostBackend::Bytes userContents = facePng(Qt::red);
    backend.clipboard = userContents;
    QGuiApplication::clipboard()->setText(QStringLiteral("desktop words"));
    ASSERT_EQ(addin->OnConnection(model->application(), 1, nullptr, nullptr), S_OK);
    ASSERT_EQ(backend.toolbars.size(), 1u);
    EXPECT_EQ(backend.toolbars[0], (std::pair<std::string, bool>{"Zarta Word To PDF", true}));
    ASSERT_EQ(backend.buttons.size(), 1u);
    EXPECT_EQ(backend.buttonBars[0], 1);
    const HostBackend::Button& button = backend.buttons[0];
    EXPECT_EQ(button.caption, "Zarta Word To PDF");
    EXPECT_EQ(button.tooltip, "Zarta Word To PDF");
    EXPECT_EQ(button.tag, "Zarta Word To PDF");
    EXPECT_TRUE(button.visible);
    EXPECT_TRUE(button.enabled);
    EXPECT_EQ(button.style, 3);
    // The face went through the host's own clipboard, which got its contents back, and the
    // desktop's clipboard was not touched.
    const auto& face = backend.faces[0];
    EXPECT_EQ(QImage::fromData(face.data(), int(face.size()), "PNG")
                  .convertToFormat(QImage::Format_RGB888),
              ButtonFace::image());
    EXPECT_EQ(backend.clipboard, userContents);
    EXPECT_FALSE(backend.saved);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("desktop words"));

    // A click with and without an active document; one on no button reaches nobody.
    // The add-in learns whether the document is saved and which window shows it.
    backend.document = HostBackend::ActiveDocument{"/home/user/Docs/Report.docx", true, 0x3a00007};
    EXPECT_EQ(model->click(1), S_OK);
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_TRUE(dialog.requests[0].unsavedChanges);
    EXPECT_EQ(dialog.requests[0].hostWindow, 0x3a00007u);
    backend.document.reset();
    EXPECT_EQ(model->click(1), S_OK);
    EXPECT_EQ(model->click(7), S_FALSE);
    EXPECT_EQ(dialog.paths, (std::vector<std::string>{"/home/user/Docs/Report.docx", ""}));
    EXPECT_FALSE(dialog.requests[1].unsavedChanges);
    EXPECT_EQ(dialog.requests[1].hostWindow, 0u);
    // While the dialog runs, the host is asked to keep handling its events.
    EXPECT_EQ(backend.keptResponsive, 2);

    // Disconnected, the add-in no longer listens.
    EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
    EXPECT_EQ(model->click(1), S_FALSE);
    EXPECT_EQ(dialog.paths.size(), 2u);
}

TEST_F(HostModel, ObjectsTheAddinStillHoldsOutliveTheModelSafely) {
    ASSERT_EQ(addin->OnConnection(model->application(), 1, nullptr, nullptr), S_OK);
    model.reset();
    // The add-in lets go of its button after the host has ended its model.
    EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
    addin.reset();
}

TEST_F(HostModel, ButtonsAnswerTheirInterfacesAndTakeOnlyPicturesAsFaces) {
    ComPtr<WordApplication> application;
    ASSERT_EQ(model->application()->QueryInterface(IID_WordApplication, application.putVoid()),
              S_OK);
    ComPtr<CommandBars> bars;
    ASSERT_EQ(application->get_CommandBars(bars.put()), S_OK);
    ComPtr<CommandBar> bar;
    ASSERT_EQ(bars->Add(variantMissing(), variantMissing(), variantMissing(), variantMissing(),
                        bar.put()),
              S_OK);
    EXPECT_EQ(backend.toolbars[0].first, "Custom 1");
    ComPtr<CommandBarControls> controls;
    ASSERT_EQ(bar->get_Controls(controls.put()), S_OK);
    ComPtr<CommandBarControl> control;
    ASSERT_EQ(controls->Add(variantMissing(), variantMissing(), variantMissing(), variantMissing(),
                            variantMissing(), control.put()),
              S_OK);
    ComPtr<CommandBarButton> button;
    EXPECT_EQ(control->QueryInterface(IID_CommandBarButton, button.putVoid()), S_OK);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(button->QueryInterface(IID_IConnectionPointContainer, container.putVoid()), S_OK);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, point.put()), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(container->FindConnectionPoint(DIID_CommandBarButtonEvents, point.put()), S_OK);
    EXPECT_EQ(point->Unadvise(42), CONNECT_E_NOCONNECTION);
    // With no clipboard picture there is no face to paste.
    EXPECT_EQ(button->PasteFace(), E_FAIL);

    // The host's clipboard takes only pictures, and gives back only what it kept.
    ComPtr<HostClipboard> hostClipboard;
    ASSERT_EQ(application->QueryInterface(IID_HostClipboard, hostClipboard.putVoid()), S_OK);
    EXPECT_EQ(hostClipboard->RestoreContents(), S_FALSE);
    const RecordingHostBackend::Bytes text{'w', 'o', 'r', 'd', 's'};
    const RecordingHostBackend::Bytes picture = facePng(Qt::blue);
    EXPECT_EQ(hostClipboard->PutPicture(nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(hostClipboard->PutPicture(text.data(), ULONG(text.size())), E_FAIL);
    EXPECT_EQ(hostClipboard->PutPicture(picture.data(), ULONG(picture.size())), S_OK);
    EXPECT_EQ(button->PasteFace(), S_OK);
    EXPECT_EQ(backend.faces[0], picture);
    EXPECT_EQ(hostClipboard->RestoreContents(), S_OK);
    EXPECT_TRUE(backend.clipboard.empty());
    EXPECT_EQ(hostClipboard->RestoreContents(), S_FALSE);
    ComPtr<WordDocument> document;
    EXPECT_EQ(application->get_ActiveDocument(document.put()), hresult(0x800A1098));
}

} // namespace
