// A serial line's settings as the editor's dialogs show them: parity and
// stop bits between their stored codes and their texts.
#pragma once

#include <QString>
#include <cstdint>

// Parity: 0 none, 1 odd, 2 even; a text not listed is none.
inline QString ParityText(uint8_t code) { return code == 1 ? "Odd" : code == 2 ? "Even" : "None"; }
inline uint8_t ParityCode(const QString& text) { return text == "Odd" ? 1 : text == "Even" ? 2 : 0; }

// Stop bits in half bits: 1 "0.5", 2 "1", 3 "1.5", 4 "2"; a text not listed
// is two stop bits.
inline QString StopBitsText(uint8_t code) {
  static const char* texts[] = {"0.5", "1", "1.5", "2"};
  return code >= 1 && code <= 4 ? texts[code - 1] : QString();
}
inline uint8_t StopBitsCode(const QString& text) {
  return text == "0.5" ? 1 : text == "1" ? 2 : text == "1.5" ? 3 : 4;
}

// Handshaking: 1 RTS/CTS, anything else none.
inline uint8_t HandshakeCode(const QString& text) { return text == "RTS/CTS" ? 1 : 0; }
