#include "certify/certificate.hpp"

#include <algorithm>
#include <climits>

namespace zemko {

Certificate certify_answer(long long answer, std::initializer_list<long long> bounds,
                           bool proven_by_search) {
    Certificate certificate;
    certificate.lower_bound = LLONG_MIN;
    for (const long long bound : bounds)
        certificate.lower_bound = std::max(certificate.lower_bound, bound);
    certificate.optimal = proven_by_search || certificate.lower_bound >= answer;
    if (certificate.optimal) certificate.lower_bound = answer;
    return certificate;
}

double percent_gap(long long objective, long long bound) {
    if (bound <= 0) return 0.0;
    return 100.0 * static_cast<double>(objective - bound) / static_cast<double>(bound);
}

}  // namespace zemko
