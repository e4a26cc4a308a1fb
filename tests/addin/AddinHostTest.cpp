// The add-in object connected to the test host, which plays the word processor's part
// in-process, with the desktop's clipboard (Qt's, offscreen).

#include "addin/ButtonFace.h"
#include "addin/CWordAddin.h"
#include "addin/HelperDialogRunner.h"
#include "addin/IWordAddin.h"
#include "addin/WordAddinIds.h"
#include "platform/clipboard/QtClipboard.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/IClassFactory.h"
#include "platform/com/ServerExports.h"

#include "tests/support/TempDir.h"
#include "tests/support/TestWordHost.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSet>

#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

using namespace zarta;
using namespace zarta::com;
using namespace zarta::addin;
using namespace zarta::wordhost;
namespace fs = std::filesystem;

namespace {

// Stands in for the convert dialog: records each request it was run for.
class RecordingDialogRunner final : public ConvertDialogRunner {
public:
    void run(const Request& request, const std::function<void()>&) override {
        paths.push_back(request.documentPath);
        requests.push_back(request);
        if (whileRunning) {
            whileRunning();
        }
    }
    std::vector<std::string> paths;
    std::vector<Request> requests;
    std::function<void()> whileRunning;
};

const std::string missing = "ERROR:0x80020004";

// Every call of a successful connection, in order.
const std::vector<std::string> connectionCalls = {
    "Application.QueryInterface(application)",
    "Application.CommandBars",
    "CommandBars.Add(BSTR:Zarta Word To PDF, I4:1, " + missing + ", I2:-1)",
    "Bar.Controls",
    "Controls.Add(I4:1, " + missing + ", " + missing + ", " + missing + ", I2:-1)",
    "Control.QueryInterface(button)",
    "Button.Style=3",
    "Button.PasteFace",
    "Button.Visible=-1",
    "Button.Caption=Zarta Word To PDF",
    "Button.Enabled=-1",
    "Button.TooltipText=Zarta Word To PDF",
    "Button.Tag=Zarta Word To PDF",
    "Bar.Visible=-1",
    "Button.FindConnectionPoint({000C0351-0000-0000-C000-000000000046})",
    "Button.Advise",
};

class AddinHost : public ::testing::Test {
protected:
    AddinHost() {
        QGuiApplication::clipboard()->setText(userText);
        ComPtr<IDTExtensibility2> made;
        EXPECT_EQ(CWordAddin::create(module, {clipboard, &dialog}, nullptr, IID_IDTExtensibility2,
                                     made.putVoid()),
                  S_OK);
        addin = made;
    }
    ~AddinHost() override {
        if (addin) {
            addin->OnDisconnection(0, nullptr);
        }
    }

    HRESULT connect() { return addin->OnConnection(host.application(), 0, nullptr, nullptr); }
    // The calls the host saw from `from` on.
    std::vector<std::string> callsFrom(std::size_t from) const {
        return {host.calls.begin() + static_cast<std::ptrdiff_t>(from), host.calls.end()};
    }

    const QString userText = QStringLiteral("the user's own words");
    ComModule module;
    QtClipboard clipboard;
    RecordingDialogRunner dialog;
    TestWordHost host;
    ComPtr<IDTExtensibility2> addin;
};

TEST_F(AddinHost, ConnectionBuildsTheToolbarAndButtonInOrderAndAdvisesOnce) {
    EXPECT_EQ(connect(), S_OK);
    EXPECT_EQ(host.calls, connectionCalls);
    EXPECT_EQ(host.advised.size(), 1u);
    ASSERT_EQ(host.sinks().size(), 1u);

    // The face the button took is the add-in's own picture; the user's text is back.
    ASSERT_EQ(host.pastedFaces.size(), 1u);
    const QImage face = host.pastedFaces.front().convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(face.size(), QSize(ButtonFace::side, ButtonFace::side));
    EXPECT_EQ(face, ButtonFace::image());
    QSet<QRgb> colours;
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
            colours.insert(face.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 8) << "the picture is drawn, not just its background";
    EXPECT_EQ(QGuiApplication::clipboard()->text(), userText);
}

TEST_F(AddinHost, AFailingStepEndsTheConnectionWithItsCodeAndNoAdvice) {
    struct Case {
        const char* failing;
        HRESULT code;
    };
    const Case cases[] = {
        {"Application.QueryInterface(application)", E_NOINTERFACE},
        {"Application.CommandBars", E_ACCESSDENIED},
        {"CommandBars.Add(BSTR:Zarta Word To PDF, I4:1, ERROR:0x80020004, I2:-1)", E_FAIL},
        {"Bar.Controls", hresult(0x800A01A8)},
        {"Control.QueryInterface(button)", E_NOINTERFACE},
        {"Button.Style=3", E_INVALIDARG},
        {"Button.PasteFace", hresult(0x800A03EC)},
        {"Button.Caption=Zarta Word To PDF", E_OUTOFMEMORY},
        {"Button.Tag=Zarta Word To PDF", E_FAIL},
        {"Bar.Visible=-1", E_ACCESSDENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        const std::size_t from = host.calls.size();
        host.failures = {{c.failing, c.code}};
        EXPECT_EQ(connect(), c.code);
        const std::vector<std::string> calls = callsFrom(from);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back(), c.failing) << "nothing is called after the failing step";
        EXPECT_TRUE(host.sinks().empty());
        EXPECT_TRUE(host.advised.empty());
        EXPECT_EQ(QGuiApplication::clipboard()->text(), userText);

        // Disconnecting answers S_OK with nothing to unadvise; the add-in can connect again.
        EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
        EXPECT_TRUE(host.unadvised.empty());
    }
    host.failures.clear();
    const std::size_t from = host.calls.size();
    EXPECT_EQ(connect(), S_OK);
    EXPECT_EQ(callsFrom(from), connectionCalls);
    EXPECT_EQ(host.sinks().size(), 1u);
}

TEST_F(AddinHost, AFailingAdviseStillConnectsAndLeavesNothingToUnadvise) {
    host.failures = {{"Button.Advise", CONNECT_E_ADVISELIMIT}};
    EXPECT_EQ(connect(), S_OK);
    EXPECT_TRUE(host.sinks().empty());
    EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
    EXPECT_TRUE(host.unadvised.empty());

    // The cookie stayed at the marker: the next connection advises.
    host.failures.clear();
    EXPECT_EQ(connect(), S_OK);
    EXPECT_EQ(host.sinks().size(), 1u);
}

TEST_F(AddinHost, DisconnectionUnadvisesItsCookieOnceAndAllowsAnotherConnection) {
    ASSERT_EQ(connect(), S_OK);
    const std::size_t from = host.calls.size();
    EXPECT_EQ(addin->OnDisconnection(1, nullptr), S_OK);
    EXPECT_EQ(host.unadvised, host.advised);
    EXPECT_TRUE(host.sinks().empty());
    EXPECT_EQ(callsFrom(from), std::vector<std::string>{"Button.Unadvise"})
        << "the toolbar and button are left in place";

    EXPECT_EQ(addin->OnDisconnection(1, nullptr), S_OK);
    EXPECT_EQ(host.unadvised.size(), 1u) << "a second disconnection has nothing to unadvise";

    ASSERT_EQ(connect(), S_OK);
    ASSERT_EQ(host.advised.size(), 2u);
    host.failures = {{"Button.Unadvise", E_UNEXPECTED}};
    EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK) << "whatever the unadvise gave";
    EXPECT_EQ(host.unadvised, host.advised);
}

TEST_F(AddinHost, ConnectingAgainWhileAdvisedFailsAndTheFirstButtonIsUnadvised) {
    ASSERT_EQ(connect(), S_OK);
    auto* firstButton = host.newestButton;
    EXPECT_EQ(connect(), E_FAIL);
    EXPECT_NE(host.newestButton, firstButton) << "a new bar and button are added every time";
    EXPECT_EQ(host.advised.size(), 1u);

    EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
    EXPECT_EQ(host.unadvised, host.advised);
}

TEST_F(AddinHost, TheEmptyMembersAnswerNotImplementedAndCallNothing) {
    ASSERT_EQ(connect(), S_OK);
    const std::size_t calls = host.calls.size();
    EXPECT_EQ(addin->OnAddInsUpdate(nullptr), E_NOTIMPL);
    EXPECT_EQ(addin->OnStartupComplete(nullptr), E_NOTIMPL);
    EXPECT_EQ(addin->OnBeginShutdown(nullptr), E_NOTIMPL);
    EXPECT_EQ(host.calls.size(), calls);
    EXPECT_EQ(host.sinks().size(), 1u);
}

TEST_F(AddinHost, ObjectAndSinkAnswerTheirInterfacesOnly) {
    struct Case {
        const char* name;
        IID iid;
        bool object;
        bool sink;
    };
    const Case cases[] = {
        {"IUnknown", IID_IUnknown, true, true},
        {"IDispatch", IID_IDispatch, true, true},
        {"IWordAddin", IID_IWordAddin, true, false},
        {"ISupportErrorInfo", IID_ISupportErrorInfo, true, false},
        {"_IDTExtensibility2", IID_IDTExtensibility2, true, false},
        {"_CommandBarButtonEvents", DIID_CommandBarButtonEvents, false, true},
        {"IConnectionPointContainer", IID_IConnectionPointContainer, false, false},
        {"IClassFactory", IID_IClassFactory, false, false},
    };
    ASSERT_EQ(connect(), S_OK);
    ASSERT_EQ(host.sinks().size(), 1u);
    IUnknown* sink = host.sinks().front();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IUnknown> found;
        EXPECT_EQ(addin->QueryInterface(c.iid, found.putVoid()), c.object ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(bool(found), c.object);
        ComPtr<IUnknown> fromSink;
        EXPECT_EQ(sink->QueryInterface(c.iid, fromSink.putVoid()), c.sink ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(bool(fromSink), c.sink);
        if (c.sink) {
            EXPECT_EQ(fromSink.get(), sink) << "the sink answers with itself";
        }
    }
    // IDispatch of the object is its add-in interface.
    ComPtr<IUnknown> dispatch;
    ComPtr<IUnknown> extensibility;
    addin->QueryInterface(IID_IDispatch, dispatch.putVoid());
    addin->QueryInterface(IID_IDTExtensibility2, extensibility.putVoid());
    EXPECT_EQ(dispatch.get(), extensibility.get());

    auto* events = static_cast<IDispatch*>(sink);
    UINT count = 7;
    EXPECT_EQ(events->GetTypeInfoCount(&count), E_NOTIMPL);
    EXPECT_EQ(events->GetIDsOfNames(GUID_NULL, nullptr, 0, 0, nullptr), E_NOTIMPL);
}

TEST_F(AddinHost, TheAdvisedSinkKeepsTheObjectAndItsModuleLockUntilDisconnection) {
    ASSERT_EQ(connect(), S_OK);
    EXPECT_EQ(module.lockCount(), 1);
    IDTExtensibility2* raw = addin.get();
    raw->AddRef();
    addin.reset();
    EXPECT_GT(raw->Release(), 0u) << "the host's sink holds a reference";
    EXPECT_EQ(module.lockCount(), 1);
    EXPECT_GT(host.foreignReferences(), 0u) << "the object holds the application and button";

    raw->AddRef();
    EXPECT_EQ(raw->OnDisconnection(0, nullptr), S_OK);
    EXPECT_EQ(raw->Release(), 0u);
    EXPECT_EQ(module.lockCount(), 0);
    EXPECT_EQ(host.foreignReferences(), 0u) << "everything taken from the host is released";
}

TEST_F(AddinHost, AClickRunsTheDialogForTheActiveDocumentsFullNameStateAndWindow) {
    struct Case {
        const char* name;
        std::optional<std::string> document; // no value: none open
        std::string failing;                 // a call of the host that fails
        bool saved;
        std::string expected;
        bool expectedUnsaved;
        std::uint32_t expectedWindow;
    };
    const std::string report = "/home/user/Docs/Report.docx";
    const Case cases[] = {
        {"saved", report, "", true, report, false, 0x2e00011},
        {"outside ASCII", "/home/user/Dokumente/Bericht – Übersicht.doc", "", true,
         "/home/user/Dokumente/Bericht – Übersicht.doc", false, 0x2e00011},
        {"never saved", "Document1", "", false, "Document1", true, 0x2e00011},
        {"unsaved changes", report, "", false, report, true, 0x2e00011},
        {"no name", report, "Document.FullName", true, "", false, 0x2e00011},
        {"no saved state", report, "Document.Saved", false, report, false, 0x2e00011},
        {"no window", report, "Document.ActiveWindow", false, report, true, 0},
        {"no window handle", report, "Window.Hwnd", false, report, true, 0},
        {"no document", std::nullopt, "", true, "", false, 0},
    };
    ASSERT_EQ(connect(), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.setActiveDocument(c.document, c.saved, 0x2e00011);
        host.failures.clear();
        if (!c.failing.empty()) {
            host.failures[c.failing] = E_FAIL;
        }
        ULONG heldWhileRunning = 0;
        dialog.whileRunning = [&] { heldWhileRunning = host.documentReferences(); };
        dialog.paths.clear();
        dialog.requests.clear();
        const std::size_t from = host.calls.size();
        const ULONG heldBefore = host.foreignReferences();

        EXPECT_EQ(host.click(), S_OK);
        EXPECT_EQ(dialog.paths, std::vector<std::string>{c.expected});
        ASSERT_EQ(dialog.requests.size(), 1u);
        EXPECT_EQ(dialog.requests[0].unsavedChanges, c.expectedUnsaved);
        EXPECT_EQ(dialog.requests[0].hostWindow, c.expectedWindow);
        std::vector<std::string> expectedCalls = {"Application.ActiveDocument"};
        if (c.document) {
            expectedCalls.insert(expectedCalls.end(),
                                 {"Document.FullName", "Document.Saved", "Document.ActiveWindow"});
            if (c.failing != "Document.ActiveWindow") {
                expectedCalls.push_back("Window.Hwnd");
            }
            EXPECT_EQ(heldWhileRunning, 1u) << "the document is held until the dialog closes";
        }
        EXPECT_EQ(callsFrom(from), expectedCalls);
        EXPECT_EQ(host.documentReferences(), 0u);
        EXPECT_EQ(host.foreignReferences(), heldBefore) << "the window is released too";
    }
}

TEST_F(AddinHost, OnlyAWellFormedClickReachesTheDialog) {
    ASSERT_EQ(connect(), S_OK);
    host.setActiveDocument("/home/user/Docs/Report.docx");
    auto* events = static_cast<IDispatch*>(host.sinks().front());
    IDispatch* button = host.newestButtonDispatch();
    VARIANT_BOOL cancel = VARIANT_FALSE;

    VARIANT cancelArgument;
    VariantInit(&cancelArgument);
    cancelArgument.vt = VT_BYREF | VT_BOOL;
    cancelArgument.pboolVal = &cancel;
    VARIANT buttonArgument;
    VariantInit(&buttonArgument);
    buttonArgument.vt = VT_DISPATCH;
    buttonArgument.pdispVal = button;
    VARIANT plainBool;
    VariantInit(&plainBool);
    plainBool.vt = VT_BOOL;

    struct Case {
        const char* name;
        DISPID dispid;
        std::vector<VARIANT> arguments; // last to first
        UINT named;
        HRESULT result;
        bool runs;
        UINT badArgument;
    };
    const Case cases[] = {
        {"click", DISPID_Click, {cancelArgument, buttonArgument}, 0, S_OK, true, 99},
        {"another event", 2, {cancelArgument, buttonArgument}, 0, S_OK, false, 99},
        {"another event without arguments", 7, {}, 0, S_OK, false, 99},
        {"one argument", DISPID_Click, {buttonArgument}, 0, DISP_E_BADPARAMCOUNT, false, 99},
        {"three arguments",
         DISPID_Click,
         {cancelArgument, cancelArgument, buttonArgument},
         0,
         DISP_E_BADPARAMCOUNT,
         false,
         99},
        {"named arguments",
         DISPID_Click,
         {cancelArgument, buttonArgument},
         2,
         DISP_E_BADPARAMCOUNT,
         false,
         99},
        {"first to last",
         DISPID_Click,
         {buttonArgument, cancelArgument},
         0,
         DISP_E_TYPEMISMATCH,
         false,
         1},
        {"flag by value",
         DISPID_Click,
         {plainBool, buttonArgument},
         0,
         DISP_E_TYPEMISMATCH,
         false,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.paths.clear();
        std::vector<VARIANT> arguments = c.arguments;
        DISPID names[] = {0, 1};
        DISPPARAMS parameters{arguments.data(), c.named > 0 ? names : nullptr,
                              static_cast<UINT>(arguments.size()), c.named};
        UINT badArgument = 99;
        EXPECT_EQ(events->Invoke(c.dispid, GUID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr,
                                 nullptr, &badArgument),
                  c.result);
        EXPECT_EQ(dialog.paths.size(), c.runs ? 1u : 0u);
        EXPECT_EQ(badArgument, c.badArgument);
    }
    EXPECT_EQ(events->Invoke(DISPID_Click, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr,
                             nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(cancel, VARIANT_FALSE) << "CancelDefault is neither read nor written";
}

TEST_F(AddinHost, AClickBeforeAnyConnectionRunsTheDialogWithNoDocument) {
    ASSERT_EQ(connect(), S_OK);
    ComPtr<IDTExtensibility2> fresh;
    ASSERT_EQ(CWordAddin::create(module, {clipboard, &dialog}, nullptr, IID_IDTExtensibility2,
                                 fresh.putVoid()),
              S_OK);
    static_cast<CWordAddin*>(fresh.get())->OnButtonClick(nullptr, nullptr);
    EXPECT_EQ(dialog.paths, std::vector<std::string>{""});
}

QString htmlOn(const QClipboard& desktop) {
    const QMimeData* data = desktop.mimeData();
    return data != nullptr ? data->html() : QString();
}

TEST_F(AddinHost, TheUsersClipboardComesBackInEveryFormat) {
    struct Case {
        const char* name;
        std::function<void(QClipboard&)> fill;
    };
    const Case cases[] = {
        {"text and HTML",
         [](QClipboard& board) {
             auto* data = new QMimeData;
             data->setText(QStringLiteral("plain words"));
             data->setHtml(QStringLiteral("<b>bold words</b>"));
             board.setMimeData(data);
         }},
        {"a picture",
         [](QClipboard& board) {
             QImage picture(5, 3, QImage::Format_RGB32);
             picture.fill(Qt::darkCyan);
             board.setImage(picture);
         }},
        {"nothing", [](QClipboard& board) { board.clear(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QClipboard& desktop = *QGuiApplication::clipboard();
        c.fill(desktop);
        const QString text = desktop.text();
        const QString html = htmlOn(desktop);
        const QImage picture = desktop.image();

        ASSERT_EQ(connect(), S_OK);
        EXPECT_EQ(desktop.text(), text);
        EXPECT_EQ(htmlOn(desktop), html);
        EXPECT_EQ(desktop.image().convertToFormat(QImage::Format_RGB32),
                  picture.convertToFormat(QImage::Format_RGB32));
        EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
    }
    EXPECT_EQ(host.pastedFaces.size(), 3u) << "each button still took the add-in's face";
}

} // namespace

namespace {

// The add-in as the host loads it: the module file, its class object, the object it makes with
// the module's own parts (the desktop's clipboard, no convert dialog yet).
TEST(AddinModuleInHost, ConnectsThroughItsClassObjectAndPastesItsFace) {
    void* module = ::dlopen(ZARTA_PLOVRA_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    auto getClassObject =
        reinterpret_cast<DllGetClassObjectFunction>(::dlsym(module, DllGetClassObjectName));
    auto canUnloadNow =
        reinterpret_cast<DllCanUnloadNowFunction>(::dlsym(module, DllCanUnloadNowName));
    ASSERT_NE(getClassObject, nullptr);
    // The helper program the click starts records its arguments.
    TempDir dir;
    TempDir::write(dir.file("helper"),
                   "#!/bin/sh\nsleep 0.2\nprintf '%s\\n' \"$@\" > \"$0.args\"\n");
    fs::permissions(dir.file("helper"), fs::perms::owner_all);
    ::setenv(HelperDialogRunner::helperVariable, dir.file("helper").c_str(), 1);
    {
        TestWordHost host;
        host.setActiveDocument("/home/user/Docs/Report.docx");
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject(CLSID_WordAddin, IID_IClassFactory, factory.putVoid()), S_OK);
        ComPtr<IDTExtensibility2> addin;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDTExtensibility2, addin.putVoid()), S_OK);
        factory.reset();

        EXPECT_EQ(addin->OnConnection(host.application(), 0, nullptr, nullptr), S_OK);
        EXPECT_EQ(host.calls, connectionCalls);
        ASSERT_EQ(host.pastedFaces.size(), 1u);
        EXPECT_EQ(host.pastedFaces.front().convertToFormat(QImage::Format_RGB888),
                  ButtonFace::image());
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));

        // A click runs the dialog's helper program for the document, named after the module,
        // and returns when the helper has ended; the document is let go again.
        EXPECT_EQ(host.click(), S_OK);
        EXPECT_EQ(TempDir::read(dir.file("helper.args")),
                  "--caption\nPlovra\n--document\n/home/user/Docs/Report.docx\n"
                  "--raise-on-input\n");
        EXPECT_EQ(host.calls.back(), "Window.Hwnd");
        EXPECT_EQ(host.documentReferences(), 0u);

        EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
        addin.reset();
        EXPECT_EQ(host.foreignReferences(), 0u);
    }
    ::unsetenv(HelperDialogRunner::helperVariable);
    EXPECT_EQ(canUnloadNow(), S_OK);
    ::dlclose(module);
}

} // namespace

namespace {

TEST(HelperDialog, TheHostKeepsHandlingEventsWhileTheHelperRunsAndASecondClickRaisesIt) {
    TempDir dir;
    // The helper records its arguments and the first request on its standard input.
    TempDir::write(dir.file("helper"), "#!/bin/sh\necho run >> \"$0.runs\"\n"
                                       "printf '%s\\n' \"$@\" > \"$0.args\"\n"
                                       "read -r request\necho \"$request\" > \"$0.input\"\n");
    fs::permissions(dir.file("helper"), fs::perms::owner_all);
    ::setenv(HelperDialogRunner::helperVariable, dir.file("helper").c_str(), 1);
    HelperDialogRunner runner;
    runner.configure(dir.path().string(), "Plovra");
    int handled = 0;
    runner.run({"/docs/a.docx", true, 0x3a00007}, [&] {
        // Handling the host's events may deliver another click: it opens no second dialog but
        // asks the open one to come to the front.
        if (++handled == 1) {
            runner.run({"/docs/a.docx"}, [] {});
        }
    });
    ::unsetenv(HelperDialogRunner::helperVariable);
    EXPECT_GE(handled, 1);
    EXPECT_EQ(TempDir::read(dir.file("helper.runs")), "run\n");
    EXPECT_EQ(TempDir::read(dir.file("helper.input")), "raise\n");
    EXPECT_EQ(TempDir::read(dir.file("helper.args")),
              "--caption\nPlovra\n--document\n/docs/a.docx\n--unsaved-changes\n--host-window\n"
              "60817415\n--raise-on-input\n");
    // With the helper gone, a click has nothing to raise and starts a new one.
    ::setenv(HelperDialogRunner::helperVariable, dir.file("helper").c_str(), 1);
    runner.run({"/docs/b.docx"}, [&] { runner.run({"/docs/b.docx"}, [] {}); });
    ::unsetenv(HelperDialogRunner::helperVariable);
    EXPECT_EQ(TempDir::read(dir.file("helper.runs")), "run\nrun\n");
}

} // namespace
