// Putting the common report values in place of a pile's own.
#include "core/doc/CommonInfo.h"

namespace {

template <typename T> void SetTarget(T* target, const T& value) {
    if (target)
        *target = value;
}

} // namespace

void CCommonInfo::ApplyTo(const Targets& t) const {
    if (Use(ProjectName))
        SetTarget(t.projectName, m_strProjectName);
    if (Use(TestingUnit))
        SetTarget(t.testingUnit, m_strTestingUnit);
    if (Use(ConstructionUnit))
        SetTarget(t.constructionUnit, m_strConstructionUnit);
    if (Use(Tester))
        SetTarget(t.tester, m_strTester);
    if (Use(Instrument))
        SetTarget(t.instrument, m_strInstrument);
    if (Use(Standard))
        SetTarget(t.standard, m_strStandard);
    if (Use(Diameter)) {
        SetTarget(t.diameter, m_fDiameter);
        SetTarget(t.secondSide, m_fSecondSide);
    }
    if (Use(EnlargedBase)) {
        SetTarget(t.enlarged, m_fEnlarged);
        SetTarget(t.enlarged2, m_fEnlarged2);
    }
    if (Use(Grade))
        SetTarget(t.grade, m_nGradeIndex);
    if (Use(Shape))
        SetTarget(t.shape, m_nShape);
}
