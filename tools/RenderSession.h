#pragma once
// The session on the renderer's processor, for the pictures and the movies.
#include "RenderProcessor.h"

#include "session/Session.h"

#include <memory>

namespace quillon {

class TRenderSession : public TSession {
public:
    TRenderSession() : TSession(std::make_unique<TRenderProcessor>()) {}

    TRenderProcessor& Processor() { return static_cast<TRenderProcessor&>(TSession::Processor()); }
    const TRenderProcessor& Processor() const { return static_cast<const TRenderProcessor&>(TSession::Processor()); }
    // Delay of one animation frame in hundredths of a second.
    int FrameDelay() const { return AnimationInterval() / 10; }
};

} // namespace quillon
