#!/usr/bin/python3
"""Reference principal components for the library's DPRINC.

    /usr/bin/python3 tools/oracles/numlib_principal_components_oracle.py

writes tests/data/numlib/principal_components.csv, one row per matrix: the
case number, NVAR, ICOV (0 covariance, 1 correlation), NDF, then COV, EVAL,
PCT, STD, EVEC and A (matrices by columns). COV is the sample covariance
(numpy.cov) or correlation (numpy.corrcoef) of seeded random data; the
eigensystem comes from numpy.linalg.eigh, in descending order, each unit
eigenvector with its first component of largest magnitude positive. STD and A
follow the routine's formulas: for a covariance matrix sqrt(2/NDF)*lambda and
the eigenvectors times sqrt(lambda) divided row by row by the standard
deviations; for a correlation matrix
sqrt(2/NDF)*sqrt(lambda^2 + (1 - 2 lambda) sum e^4 + 2 sum_{j<k} e_j^2 e_k^2 r_jk^2)
and the eigenvectors times sqrt(lambda).
"""

from numlib_common import require, write_csv

(np,) = require("numpy")


def components(cov, icov, ndf):
    w, v = np.linalg.eigh(cov)
    w, v = w[::-1], v[:, ::-1]
    for j in range(v.shape[1]):
        k = int(np.argmax(np.abs(v[:, j])))
        if v[k, j] < 0:
            v[:, j] = -v[:, j]
    lam = np.maximum(w, 0.0)
    pct = np.cumsum(w) / np.sum(w)
    f = np.sqrt(2.0 / ndf)
    if icov == 0:
        std = f * lam
        a = v * np.sqrt(lam) / np.sqrt(np.diag(cov))[:, None]
    else:
        std = np.empty_like(w)
        n = len(w)
        for i in range(n):
            e2 = v[:, i] ** 2
            cross = sum(e2[j] * e2[k] * cov[j, k] ** 2 for j in range(n) for k in range(j + 1, n))
            std[i] = f * np.sqrt(lam[i] ** 2 + (1 - 2 * lam[i]) * np.sum(e2 ** 2) + 2 * cross)
        a = v * np.sqrt(lam)
    return w, pct, std, v, a


def main():
    rng = np.random.default_rng(20260214)
    rows = []
    for case, (nvar, nobs, icov) in enumerate([(6, 40, 0), (5, 60, 1), (8, 200, 0)], start=1):
        mix = rng.normal(size=(nvar, nvar)) * rng.uniform(0.2, 3.0, size=nvar)
        data = rng.normal(size=(nobs, nvar)) @ mix
        cov = np.cov(data, rowvar=False) if icov == 0 else np.corrcoef(data, rowvar=False)
        ndf = nobs - 1
        w, pct, std, v, a = components(cov, icov, ndf)
        gaps = np.min(np.abs(np.diff(w))) / w[0]
        assert gaps > 1e-3, gaps  # vectors well determined
        rows.append([case, nvar, icov, ndf] + [float(x) for x in cov.flatten(order="F")]
                    + [float(x) for x in w] + [float(x) for x in pct] + [float(x) for x in std]
                    + [float(x) for x in v.flatten(order="F")]
                    + [float(x) for x in a.flatten(order="F")])
    write_csv("principal_components.csv",
              "case, NVAR, ICOV, NDF, COV, EVAL, PCT, STD, EVEC, A (matrices by columns)", rows)


if __name__ == "__main__":
    main()
