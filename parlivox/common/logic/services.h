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
class TextRecognition;
} // namespace platform

/// Every service through which the editor reaches outside its process.
/// Windows receive it by constructor; tests hand in scripted fakes.
struct EditorServices {
    platform::SettingsStore& settings;
    platform::MessageBox& messageBox;
    platform::CommonDialog& dialog;
    platform::Clipboard& clipboard;
    platform::Printer& printer;
    platform::ProcessStarter& processes;
    platform::HelpViewer& help;
    platform::KeyboardIndicators& keyboard;
    platform::Clock& clock;
    platform::Registry& registry;
    platform::SpeechEngine& speech;
    /// Reads pictures and scanned pages; none refuses them.
    platform::TextRecognition* recognition = nullptr;
};
