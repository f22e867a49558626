#pragma once
// How the component reports a failed device open.
//
// A busy device (held by another program or by this one) becomes ecAlreadyOpen and a missing one
// ecBadId, the layer's own open codes; any other result is kept, so a refused permission reaches
// CheckResult as minus EACCES and shows the system's text ("Permission denied"). Pure.

#include "serial/engine/errors/SioResultCodes.h"

TSioResult RemapOpenResult(TSioResult result);
