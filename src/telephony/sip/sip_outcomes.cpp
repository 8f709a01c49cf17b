#include "kivo/telephony/sip_outcomes.h"

#include <linphone/linphonecore.h>

#include "kivo/telephony/line_codes.h"

namespace kivo::telephony {

std::uint32_t SipDisconnectMode(int reason) {
    switch (static_cast<LinphoneReason>(reason)) {
        case LinphoneReasonNone:
            return kDisconnectNormal;
        case LinphoneReasonBusy:
        case LinphoneReasonDoNotDisturb:
            return kDisconnectBusy;
        case LinphoneReasonDeclined:
            return kDisconnectReject;
        case LinphoneReasonNotAnswered:
            return kDisconnectNoAnswer;
        case LinphoneReasonNotFound:
        case LinphoneReasonAddressIncomplete:
        case LinphoneReasonMovedPermanently:
        case LinphoneReasonGone:
            return kDisconnectBadAddress;
        case LinphoneReasonNoResponse:
        case LinphoneReasonIOError:
        case LinphoneReasonServerTimeout:
        case LinphoneReasonForbidden:
        case LinphoneReasonUnauthorized:
            return kDisconnectNoDialTone;
        case LinphoneReasonTemporarilyUnavailable:
        case LinphoneReasonBadGateway:
            return kDisconnectUnavailable;
        case LinphoneReasonNotAcceptable:
        case LinphoneReasonUnsupportedContent:
        case LinphoneReasonNoMatch:
            return kDisconnectIncompatible;
        default:
            return kDisconnectUnknown;
    }
}

}  // namespace kivo::telephony
