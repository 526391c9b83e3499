#include "app/assessment_run.h"

// Arguments are ignored: the program has no options.
int main()
{
    return quill::runAssessment();
}
