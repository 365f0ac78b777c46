#include "SmsAnswerReceiver.h"

// Alarm and output settings answers (B4/A5, B5/A7): states 21 to 26.
void installSettingsAnswers(SmsAnswerReceiver& receiver) { (void)receiver; }
