#include "VarnelHandshake.h"

#include <optional>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/protocol/Frames.h"
#include "platform/CommPort.h"
#include "platform/Dialogs.h"
#include "platform/text/TextCodec.h"

namespace {

std::optional<uint8_t> byteAt(int i) {
    if (i < 0 || i >= g::RxBuf.size()) return std::nullopt;
    return uint8_t(g::RxBuf[i]);
}

}  // namespace

VarnelHandshake::VarnelHandshake(MainWindow& main, OpenSettings openSettings)
    : m_main(main), m_openSettings(std::move(openSettings)) {}

void VarnelHandshake::receive() {
    for (;;) {
        const Parsed p = parseFrame();
        // A frame the handshake does not read (another request's answer that
        // came late), or anything ahead of the probe's awaited answer, does
        // not hide what follows it in the window.
        if (p == Parsed::NoFrame || p == Parsed::ModuleType) return;
        if (p == Parsed::Read && !m_main.timerEnabled(9)) return;
        int next = -1;
        for (int i = 1; i + 9 < g::RxBuf.size() && next < 0; ++i)
            if (uint8_t(g::RxBuf[i]) == 0x1A) next = i;
        if (next < 0) return;
        g::RxBuf = g::RxBuf.mid(next);
    }
}

VarnelHandshake::Parsed VarnelHandshake::parseFrame() {
    g::RxState = 0;
    for (;;) {
        switch (g::RxState) {
            case 0:
                if (byteAt(0) != uint8_t(0x1A)) return Parsed::NoFrame;  // not a frame: the window is dropped
                g::RxState = 1;
                break;
            case 1:
                g::RxState = Frames::isPreambleTail(g::RxBuf.mid(1, 7)) ? 2 : 0;
                if (g::RxState == 0) return Parsed::NoFrame;
                break;
            case 2:
                switch (byteAt(8).value_or(0)) {
                    case 0xFD:
                        if (m_main.timerEnabled(9) || m_main.timerEnabled(10)) {
                            g::RxState = 3;
                            m_main.setTimerEnabled(5, true);
                        } else {
                            g::RxState = 9;  // a notice no probe asked for
                        }
                        break;
                    case 0xF8:
                        g::RxState = 4;
                        break;
                    case 0xF9:
                        g::RxState = 5;
                        break;
                    case 0xEC:
                        g::RxState = 6;
                        break;
                    case 0xD6:
                        g::RxState = 7;
                        break;
                    case 0xD1:
                        g::RxState = 8;
                        break;
                    default:
                        g::RxState = 0;
                        break;
                }
                break;
            case 3:
                m_main.setTimerEnabled(5, false);
                m_main.setTimerInterval(5, 1000);
                m_main.setTimerEnabled(9, false);
                m_main.setTimerEnabled(10, false);
                g::BaudScanStep = 1;
                if (auto b = byteAt(11)) g::HsStatusBytes[2] = *b;
                if (auto b = byteAt(10)) g::HsStatusBytes[1] = *b;
                m_main.setTimerEnabled(11, true);
                g::RxState = 0;
                return Parsed::Read;
            case 4:
                if (auto b = byteAt(10)) g::WorkModeByte[0] = *b;
                g::RxState = 0;
                return Parsed::Read;
            case 5:
                if (auto b = byteAt(10)) g::TransModeByte[0] = *b;
                g::RxState = 0;
                return Parsed::Read;
            case 6: {
                QString text;
                for (g::RxByteIndex = 1; g::RxByteIndex <= 11; ++g::RxByteIndex) {
                    const auto b = byteAt(g::RxByteIndex + 9);
                    if (!b) continue;
                    text += TextCodec::byteToChar(*b);
                    g::VersionBytes[g::RxByteIndex - 1] = *b;
                }
                g::VersionText = text;
                g::RxState = 0;
                return Parsed::Read;
            }
            case 7:
                if (auto b = byteAt(10)) g::HsBlockD6[0] = *b;
                g::RxState = 0;
                return Parsed::Read;
            case 8:
                moduleTypeAnswer();
                return Parsed::ModuleType;
            default:
                g::RxState = 0;
                return Parsed::Other;
        }
        if (g::RxState == 0) return Parsed::Other;
    }
}

void VarnelHandshake::moduleTypeAnswer() {
    g::RxState = 0;
    m_main.MSComm1->setDTREnable(true);
    if (auto b = byteAt(10)) g::ModuleTypeByte[0] = *b;
    m_main.setTimerEnabled(11, false);
    m_main.unloadConnectDialog();
    if (g::ModuleTypeByte[0] == 1) {
        Dialogs::msgBox(&m_main, QStringLiteral("您的模块与测试软件不一样，请与厂家联系"),
                        QStringLiteral("提示"), Dialogs::Icon::Exclamation);
        return;
    }
    if (m_openSettings) m_openSettings();
}
