#pragma once

namespace platform {

class SettingsStore;
class MessageBox;
class CommonDialog;
class Clipboard;
class Printer;
class ProcessStarter;
class HelpViewer;
class KeyboardIndicators;
class Clock;
class Registry;
class SpeechEngine;

/// Every service through which the editor reaches outside its process.
/// Windows receive it by constructor; tests hand in scripted fakes.
struct Platform {
    SettingsStore& settings;
    MessageBox& messageBox;
    CommonDialog& dialog;
    Clipboard& clipboard;
    Printer& printer;
    ProcessStarter& processes;
    HelpViewer& help;
    KeyboardIndicators& keyboard;
    Clock& clock;
    Registry& registry;
    SpeechEngine& speech;
};

} // namespace platform
