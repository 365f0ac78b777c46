#include "SmsAnswerReceiver.h"

// The input-state text that begins with "<": state 30.
void installInputStateAnswer(SmsAnswerReceiver& receiver) { (void)receiver; }
