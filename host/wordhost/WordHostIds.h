#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/Guid.h"

namespace zarta::wordhost {

// The interface identifiers of the word processor's object model as an add-in meets it, with
// the values the word processor and its office suite give them, so that a host and an add-in
// built apart agree on them.

// {00020970-0000-0000-C000-000000000046}: the application (_Application).
constexpr com::IID IID_WordApplication{0x00020970, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {0002096B-0000-0000-C000-000000000046}: a document (_Document).
constexpr com::IID IID_WordDocument{0x0002096B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00020962-0000-0000-C000-000000000046}: a document's window (Window).
constexpr com::IID IID_WordWindow{0x00020962, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {000C0302-0000-0000-C000-000000000046}: the collection of command bars.
constexpr com::IID IID_CommandBars{0x000C0302, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {000C0304-0000-0000-C000-000000000046}: one command bar.
constexpr com::IID IID_CommandBar{0x000C0304, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {000C0306-0000-0000-C000-000000000046}: the controls of a command bar.
constexpr com::IID IID_CommandBarControls{
    0x000C0306, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {000C0308-0000-0000-C000-000000000046}: one control of a command bar.
constexpr com::IID IID_CommandBarControl{
    0x000C0308, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {000C030E-0000-0000-C000-000000000046}: a button on a command bar (_CommandBarButton).
constexpr com::IID IID_CommandBarButton{0x000C030E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {000C0351-0000-0000-C000-000000000046}: the button's events (_CommandBarButtonEvents), a
// dispatch-only interface: the host calls its sinks' IDispatch::Invoke.
constexpr com::IID DIID_CommandBarButtonEvents{
    0x000C0351, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}: the add-in interface (_IDTExtensibility2).
constexpr com::IID IID_IDTExtensibility2{
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

// The button's Click event: Invoke(DISPID_Click) with two arguments, the clicked button
// (VT_DISPATCH) and CancelDefault (VT_BYREF | VT_BOOL), passed last to first as COM does.
constexpr com::DISPID DISPID_Click = 1;

// Values of the office suite's enumerations that the calls use.
constexpr com::LONG msoBarTop = 1;
constexpr com::LONG msoControlButton = 1;
constexpr com::LONG msoButtonIconAndCaption = 3;

} // namespace zarta::wordhost
