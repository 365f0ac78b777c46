#include "SmsAnswerReceiver.h"

// Answers on the communication-test tab (the test-answer machine).
void installTestAnswers(SmsAnswerReceiver& receiver) { (void)receiver; }
