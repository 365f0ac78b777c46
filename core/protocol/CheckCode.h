#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The check code the channel editors show beside a command or a frame head,
// so the user can append it to what the module sends.
namespace protocol {

// How the bytes are taken from the source text.
enum class CheckSource {
    Spaced,  // collection command (Form2): byte k = the 2 characters at position 3k+1 (from 1),
             // i.e. two digits a byte with one separator between bytes
    Packed   // frame head (Form3): spaces removed, byte k = the 2 characters at 2k+1
};

// The check-code text for `sourceText` by ComboCheck item `method` (0..4) and
// TxtCheckNum text `countText` (read as a number: "2字节" is 2; exactly 2
// gives the two-byte form of the sum and XOR codes, any other count one byte).
// Each piece is read as the hex digits at its start (none gives 0, a single
// last digit counts alone). Examples: "01 03 40 00 00 02" by method 3 gives
// "D1 CB", by method 4 "CB D1"; "FD FE 00 03" by method 1 "FE", with "2字节"
// "01 FE".
// Empty source -> "" ; method 0 or out of list -> std::nullopt (TextCheck keeps its text).
std::optional<QString> checkCodeText(const QString& sourceText, CheckSource source, int method,
                                     const QString& countText);

// The ComboCheck items in order: "无","累加和","异或和","16位CRC（低字节在前）","16位CRC（高字节在前）".
QStringList checkMethodItems();

}  // namespace protocol
