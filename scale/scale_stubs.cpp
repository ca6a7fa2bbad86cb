// Placeholders for the engine until it lands; each refuses to run.
#include <stdexcept>

#include "scale/scale_run.h"
#include "scale/selection.h"
#include "scale/tone.h"

ScaleRefusal PlanScale(const ScaleSettings&, const SelectionRect&, ScalePlan&) {
    throw std::logic_error("the scaling engine is not built yet");
}
void RunScale(const TDIB&, const SelectionRect&, const ScaleSettings&, const ScalePlan&, TDIB&,
              ResampleTables&, const ScaleProgress&) {
    throw std::logic_error("the scaling engine is not built yet");
}
void ClampDragCorner(int&, int&, int, int) { throw std::logic_error("not built yet"); }
bool KeepSelection(SelectionRect&, int, int) { throw std::logic_error("not built yet"); }
std::string SelectionSuffix(const SelectionRect&) { throw std::logic_error("not built yet"); }
int ScrollAlong(int, int, int, int, int) { throw std::logic_error("not built yet"); }
int Contrast(int, double, std::int32_t, std::int32_t) { throw std::logic_error("not built yet"); }
double Luminance(int, int, int) { throw std::logic_error("not built yet"); }
