// How label texts from the panel resource are shown: "__X" marks X as the access key.
//
// Threads: pure functions, any thread.
#pragma once

#include <QString>
#include <string>

namespace helx::ui::qt {

// A text of the model as the operator reads it. The program writes single-byte text in the
// instrument PC's code page (the degree sign is byte 176); the panel resource is UTF-8. Valid
// UTF-8 is read as UTF-8, anything else as Latin-1.
QString runtimeText(const std::string& text);

// The label as read: access-key marks removed ("__OK" -> "OK").
QString displayLabel(const std::string& label);
// A button text: the access key becomes Qt's mnemonic ("__OK" -> "&OK"), a plain '&' stays one.
QString buttonText(const std::string& label);
// Lines the label takes ("\n" breaks a line).
int labelLines(const std::string& label);

// Height of one label line in the strip above a control.
constexpr int kLabelLineHeight = 18;

}  // namespace helx::ui::qt
