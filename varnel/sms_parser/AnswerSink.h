#pragma once

#include "CollectionAnswer.h"

// What the answer receiver hands to the settings form: plain values decoded
// from the module's answers. The form implements it and applies them to its
// own controls; the receiver never sees a widget.
class AnswerSink : public CollectionSink {
public:
    virtual ~AnswerSink() = default;
};
