#include "workspace/workspace.h"

namespace vn {

EvaluationStatus evaluate(Workspace& ws) {
    ws.evaluation = EvaluateSystem(ws.model, ws.settings.controls.normalised, ws.paraxial, ws.sums);
    return ws.evaluation;
}

}  // namespace vn
