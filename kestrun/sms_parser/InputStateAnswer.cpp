#include <QComboBox>
#include <QLineEdit>

#include "SmsAnswerReceiver.h"
#include "core/Globals.h"
#include "kestrun/settings/AlarmTab.h"
#include "core/protocol/SettingsRecords.h"

// The input-state text that begins with "<": state 30. The "<" was taken by
// the hunt; the state character follows, possibly in a later delivery,
// which the quiet rule waits for.
void installInputStateAnswer(SmsAnswerReceiver& receiver) {
    receiver.registerState(
        SmsAnswerReceiver::InputText,
        [](SmsAnswerReceiver& rx) {
            const QByteArray b = rx.readAll();
            if (b.isEmpty()) return;
            // Only an outstanding query is answered; a stray "<" text is
            // read and dropped.
            SettingsForm* form = rx.form();
            if (g::DIChannel == 0x98 && form && form->alarmTab) {
                AlarmTab* tab = form->alarmTab;
                tab->Text19->setText(SettingsRecords::inputStateText(tab->Combo5->currentIndex(), b[0]));
            }
            g::DIChannel = 0;
            rx.toHunt();
        },
        SmsAnswerReceiver::Wait::Quiet);
}
