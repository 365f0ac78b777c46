#include "SmsAnswerReceiver.h"

// Short parameter answers: states 2 to 15 and 20.
void installParamAnswers(SmsAnswerReceiver& receiver) { (void)receiver; }
