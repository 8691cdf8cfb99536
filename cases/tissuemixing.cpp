#include "cases/tissuemixing.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr double kAir = 0.02;
constexpr double kPure = 0.999;
constexpr int kSteps = 50;
constexpr int kIterations = 30;
constexpr double kPresetWeight = 10;

struct Recording
{
    double te;
    double tr;
    double tp; // 0: no inversion
    double weight;
};

std::vector<Recording> recordingGrid()
{
    const double te[] = {10, 15, 20, 30, 40, 60, 80, 100, 120};
    const double tr[] = {300, 500, 700, 1000, 1500, 2000, 3000, 5000, 10000};
    const double tp[] = {0, 100, 150, 180, 250, 400, 600, 1000, 1500, 2000, 2773, 3500};
    // T1-, T2- and PD-weighted, STIR and FLAIR.
    const Recording presets[] = {{15, 500, 0, 0}, {100, 3000, 0, 0}, {15, 3000, 0, 0},
                                 {15, 3000, 180, 0}, {100, 10000, 2773, 0}};
    std::vector<Recording> grid;
    for (double a : te)
        for (double b : tr)
            for (double c : tp) {
                if (c >= b || a >= b)
                    continue;
                double weight = 1;
                for (const Recording &p : presets)
                    if (p.te == a && p.tr == b && p.tp == c)
                        weight = kPresetWeight;
                grid.push_back({a, b, c, weight});
            }
    return grid;
}

double spinEcho(double pd, double t1, double t2, const Recording &r)
{
    return pd * (1 - std::exp(-r.tr / t1)) * std::exp(-r.te / t2)
         * std::abs(2 * std::exp(-r.tp / t1) - 1);
}

using Params = std::array<double, 3>; // ln PD, ln T1, ln T2

struct FitState
{
    Params p;
    double cost;
};

// Levenberg-Marquardt on the logarithms of PD, T1 and T2.
class Fit
{
public:
    Fit(const std::vector<Recording> &grid, std::vector<double> target, double pdMix)
        : grid(grid), target(std::move(target)), pdMix(pdMix)
    {
    }

    FitState run(Params start) const
    {
        FitState state{start, cost(start)};
        double lambda = 1e-2;
        for (int n = 0; n < kIterations; ++n) {
            const Params trial = step(state.p, lambda);
            const double trialCost = cost(trial);
            if (trialCost < state.cost) {
                state = {trial, trialCost};
                lambda = std::max(lambda * 0.3, 1e-9);
            } else {
                lambda = std::min(lambda * 10, 1e9);
            }
        }
        return state;
    }

private:
    double scale(const Recording &r) const { return pdMix / std::sqrt(r.weight); }

    double cost(const Params &p) const
    {
        double sum = 0;
        for (std::size_t c = 0; c < grid.size(); ++c) {
            const double r = (target[c] - spinEcho(std::exp(p[0]), std::exp(p[1]), std::exp(p[2]), grid[c]))
                           / scale(grid[c]);
            sum += r * r;
        }
        return sum;
    }

    Params step(const Params &p, double lambda) const
    {
        const double pd = std::exp(p[0]);
        const double t1 = std::exp(p[1]);
        const double t2 = std::exp(p[2]);
        double jtj[3][3] = {};
        double jtr[3] = {};
        for (std::size_t c = 0; c < grid.size(); ++c) {
            const Recording &r = grid[c];
            const double er = std::exp(-r.tr / t1);
            const double a = 1 - er;
            const double e2 = std::exp(-r.te / t2);
            const double ep = std::exp(-r.tp / t1);
            const double g = 2 * ep - 1;
            const double b = std::abs(g);
            const double s = pd * a * e2 * b;
            const double da = -er * r.tr / t1;
            const double db = (g > 0 ? 1 : g < 0 ? -1 : 0) * 2 * ep * r.tp / t1;
            const double w = scale(r);
            const double j[3] = {s / w, pd * e2 * (da * b + a * db) / w, s * r.te / t2 / w};
            const double residual = (target[c] - s) / w;
            for (int u = 0; u < 3; ++u) {
                jtr[u] += j[u] * residual;
                for (int v = 0; v < 3; ++v)
                    jtj[u][v] += j[u] * j[v];
            }
        }
        for (int u = 0; u < 3; ++u)
            jtj[u][u] += lambda * jtj[u][u] + 1e-12;
        const Params delta = solve3(jtj, jtr);
        Params next;
        for (int u = 0; u < 3; ++u)
            next[std::size_t(u)] = p[std::size_t(u)] + std::clamp(delta[std::size_t(u)], -1.0, 1.0);
        return next;
    }

    // Cramer's rule: the damped normal matrix is symmetric positive definite.
    static Params solve3(const double m[3][3], const double rhs[3])
    {
        auto det = [](double a[3][3]) {
            return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1])
                 - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0])
                 + a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
        };
        double a[3][3];
        std::copy(&m[0][0], &m[0][0] + 9, &a[0][0]);
        const double d = det(a);
        Params x{0, 0, 0};
        if (d == 0 || !std::isfinite(d))
            return x;
        for (int k = 0; k < 3; ++k) {
            double b[3][3];
            std::copy(&m[0][0], &m[0][0] + 9, &b[0][0]);
            for (int r = 0; r < 3; ++r)
                b[r][k] = rhs[r];
            x[std::size_t(k)] = det(b) / d;
        }
        return x;
    }

    const std::vector<Recording> &grid;
    std::vector<double> target;
    double pdMix;
};

} // namespace

TissueMixer::TissueMixer(std::vector<TissueRow> tissues)
    : tissues(std::move(tissues))
{
}

Relaxation TissueMixer::mix(const double *fractions)
{
    const std::size_t n = tissues.size();
    std::vector<double> f(n);
    for (std::size_t k = 0; k < n; ++k)
        f[k] = std::isfinite(fractions[k]) ? std::clamp(fractions[k], 0.0, 1.0) : 0.0;
    const double total = std::accumulate(f.begin(), f.end(), 0.0);
    double pdMix = 0;
    for (std::size_t k = 0; k < n; ++k)
        pdMix += f[k] * tissues[k].pd;
    if (total < kAir || pdMix <= 1e-6 * total)
        return {};
    const std::size_t dominant = std::size_t(std::max_element(f.begin(), f.end()) - f.begin());
    if (f[dominant] >= kPure * total)
        return {pdMix, tissues[dominant].t1, tissues[dominant].t2};

    std::vector<int> key(n);
    for (std::size_t k = 0; k < n; ++k)
        key[k] = int(std::lround(f[k] / total * kSteps));
    const double keySum = std::accumulate(key.begin(), key.end(), 0.0);
    std::vector<double> composition(n);
    double compositionPd = 0;
    for (std::size_t k = 0; k < n; ++k) {
        composition[k] = key[k] / keySum;
        compositionPd += composition[k] * tissues[k].pd;
    }
    auto known = fitted.find(key);
    if (known == fitted.end())
        known = fitted.emplace(key, fitComposition(composition)).first;
    // The fit is made for the composition's own PD; the pixel's tissue amount scales it.
    const Relaxation &r = known->second;
    return {r.pd / compositionPd * pdMix, r.t1, r.t2};
}

Relaxation TissueMixer::fitComposition(const std::vector<double> &composition) const
{
    static const std::vector<Recording> grid = recordingGrid();
    double pdMix = 0;
    double rate1 = 0;
    double rate2 = 0;
    std::vector<double> target(grid.size(), 0.0);
    for (std::size_t k = 0; k < tissues.size(); ++k) {
        const TissueRow &t = tissues[k];
        pdMix += composition[k] * t.pd;
        for (std::size_t c = 0; c < grid.size(); ++c)
            target[c] += composition[k] * spinEcho(t.pd, t.t1, t.t2, grid[c]);
    }
    // Start from the PD-weighted average rates and from a long-T1 and a short-T1
    // guess: the inversion factor folds at its null and leaves local minima.
    for (std::size_t k = 0; k < tissues.size(); ++k) {
        const double w = composition[k] * tissues[k].pd / pdMix;
        rate1 += w / tissues[k].t1;
        rate2 += w / tissues[k].t2;
    }
    const Params start = {std::log(pdMix), -std::log(rate1), -std::log(rate2)};
    const Fit fit(grid, std::move(target), pdMix);
    FitState best{start, INFINITY};
    for (const auto &offset : {std::array<double, 2>{0, 0}, {0.8, 0.6}, {-0.5, 0}}) {
        const FitState s = fit.run({start[0], start[1] + offset[0], start[2] + offset[1]});
        if (s.cost < best.cost)
            best = s;
    }
    return {std::exp(best.p[0]), std::exp(best.p[1]), std::exp(best.p[2])};
}
