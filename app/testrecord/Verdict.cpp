#include "app/testrecord/Verdict.h"

TVerdict NotSentVerdict() {
    return {TVerdictKind::NotSent, "nicht gesendet", ""};
}

TVerdict NoCodeVerdict() {
    return {TVerdictKind::NoCode, "kein Code", ""};
}
