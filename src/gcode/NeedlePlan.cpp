#include "gcode/NeedlePlan.h"

#include "common/NumberFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace tessaline {

namespace {

// Program numbers carry at most three decimals; a step finer than that would print as 0.
constexpr int kNeedleDecimals = 3;
constexpr double kThousandths = 1000;

// A number for a message: plain where it is short, else in exponent form (1e+308), never
// hundreds of digits.
std::string messageNumber(double value) {
    if (std::fabs(value) >= 1e-3 && std::fabs(value) < 1e15) return formatNumber(value);
    std::array<char, 32> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::general);
    return std::string(buf.data(), res.ptr);
}

// Decimals the step's multiples carry: 10 has none, 0.25 two.
int stepDecimals(double step) {
    const std::string text = formatRounded(step, kNeedleDecimals);
    const std::size_t point = text.find('.');
    return point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

// Significant digits the worst of the step's multiples up to largest needs.
int digitsUpTo(double largest, double step) {
    const double scaled = largest * std::pow(10.0, stepDecimals(step));
    return scaled < 1 ? 1 : static_cast<int>(std::floor(std::log10(scaled))) + 1;
}

}  // namespace

NeedleAxis::NeedleAxis(const MachineProfile& profile, double step)
    : step_(step), span_(static_cast<double>(profile.rebaseSpan)), resets_(profile.rebaseResets) {}

void NeedleAxis::rebase() {
    count_ = 0;
    if (resets_) machineCount_ = 0;
}

namespace {

GcodeOptions stepOnly(double step) {
    GcodeOptions options;
    options.zStep = step;
    return options;
}

}  // namespace

NeedlePlanner::NeedlePlanner(const MachineProfile& profile, double step)
    : profile_(profile), options_(stepOnly(step)), planner_(options_, profile, *this) {}

const NeedlePlan& NeedlePlanner::plan() {
    // Jumps that may still become a trim run are written with the footer.
    if (!ended_) planner_.footer();
    ended_ = true;
    plan_.moves = planner_.needleMoves();
    return plan_;
}

void NeedlePlanner::put(const PlanOp& op) {
    if (op.kind != PlanOpKind::StitchMove && op.kind != PlanOpKind::JumpMove) return;
    plan_.largestNumber = std::max(plan_.largestNumber, op.stroke);
    const double machine = planner_.axis().machine();
    plan_.travel = std::max(plan_.travel, machine);
    if (plan_.limitMove == 0 && machine > profile_.needleMachineMax) {
        plan_.limitMove = op.move;
        plan_.limitTravel = machine;
    }
}

std::optional<std::string> needleStepProblem(double step, const MachineProfile& profile) {
    if (!std::isfinite(step) || !(step > 0)) return "the needle step must be a number greater than 0";
    const double thousandths = step * kThousandths;
    if (step < 1 / kThousandths ||
        (thousandths < 1e15 && std::fabs(thousandths - std::round(thousandths)) > 1e-6 * thousandths)) {
        return "the needle step " + messageNumber(step) + " must be in whole thousandths of a millimetre (0.001 or more)";
    }
    if (step > profile.limits.maxValue) {
        return "the needle step " + messageNumber(step) + " is beyond " + profile.name + "'s range of " +
               messageNumber(profile.limits.maxValue);
    }
    const int digits = digitsUpTo(step, step);
    if (digits > profile.limits.maxDigits) {
        return "the needle step " + messageNumber(step) + " has " + std::to_string(digits) + " significant digits; " +
               profile.name + " keeps " + std::to_string(profile.limits.maxDigits);
    }
    return std::nullopt;
}

std::optional<std::string> needlePlanProblem(const NeedlePlan& plan, double step, const MachineProfile& profile) {
    if (auto problem = needleStepProblem(step, profile)) return problem;
    const std::string largest = messageNumber(plan.largestNumber);
    if (plan.largestNumber > profile.limits.maxValue) {
        return "with a needle step of " + messageNumber(step) + " the needle axis's number reaches " + largest +
               ", beyond " + profile.name + "'s range of " + messageNumber(profile.limits.maxValue);
    }
    const int digits = digitsUpTo(plan.largestNumber, step);
    if (digits > profile.limits.maxDigits) {
        return "with a needle step of " + messageNumber(step) + " the needle axis's number reaches " + largest +
               ", which needs " + std::to_string(digits) + " significant digits; " + profile.name + " keeps " +
               std::to_string(profile.limits.maxDigits);
    }
    if (plan.limitMove != 0) {
        return "needle move " + formatUnsigned(plan.limitMove) + " takes the needle axis to " +
               messageNumber(plan.limitTravel) + " mm of machine travel, past " + profile.name +
               "'s needle_machine_max of " + messageNumber(profile.needleMachineMax) + " mm";
    }
    return std::nullopt;
}

}  // namespace tessaline
