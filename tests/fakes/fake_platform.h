#pragma once

#include "fake_commondialog.h"
#include "fake_messagebox.h"
#include "fake_registry.h"
#include "fake_services.h"
#include "fake_settings.h"
#include "fake_speech.h"

#include "parlivox/common/logic/services.h"

/// Every service of the editor as a scripted fake.
struct FakePlatform {
    FakeSettings settings;
    FakeMessageBox messageBox;
    FakeCommonDialog dialog;
    FakeClipboard clipboard;
    FakePrinter printer;
    FakeProcessStarter processes;
    FakeHelpViewer help;
    FakeKeyboard keyboard;
    FakeClock clock;
    FakeRegistry registry;
    FakeSpeechEngine speech;

    EditorServices services{settings, messageBox, dialog, clipboard, printer, processes,
                            help,     keyboard,   clock,  registry,  speech};
};
