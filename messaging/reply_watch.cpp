#include "messaging/reply_watch.h"

namespace qavo::messaging {

ReplyWatch::Verdict ReplyWatch::request(std::string_view payload)
{
    if (!sent_)
        return Verdict::Busy;
    bool ours = payload == payload_;
    if (copySeen_) // a request behind ours is answered after it; a second copy of ours is not told apart
        return ours ? Verdict::Ambiguous : Verdict::Wait;
    copySeen_ = ours;
    return ours ? Verdict::Wait : Verdict::Ambiguous;
}

ReplyWatch::Verdict ReplyWatch::reply() const
{
    if (!sent_)
        return Verdict::Busy;
    return copySeen_ ? Verdict::Reply : Verdict::Ambiguous;
}

} // namespace qavo::messaging
