// Control identifiers of the two forms of the online services, shared by online_dialogs.rc and
// the code: HELP (a free consultation) and ORDER (a recovery order). Plain #defines, so the
// resource compiler can read this file too.
#pragma once

// HELP.
#define IDC_HELP_SEND 3150
#define IDC_HELP_NAME_LABEL 3151
#define IDC_HELP_NAME 3152
#define IDC_HELP_EMAIL_LABEL 3153
#define IDC_HELP_EMAIL 3154
#define IDC_HELP_DESCRIPTION_LABEL 3155
#define IDC_HELP_DESCRIPTION 3156

// ORDER.
#define IDC_ORDER_SEND 3050
#define IDC_ORDER_NAME 3051
#define IDC_ORDER_EMAIL 3052
#define IDC_ORDER_FIRST_TARIFF 3053  // the tariff rows 1 to 4: 3053 to 3056
#define IDC_ORDER_LAST_TARIFF 3056
#define IDC_ORDER_NAME_LABEL 3058
#define IDC_ORDER_EMAIL_LABEL 3059
#define IDC_ORDER_PARAMETERS 3060
#define IDC_ORDER_TARIFF_HEADING 3061
#define IDC_ORDER_NOTE 3066
#define IDC_ORDER_NOTE_2 3067        // note 2 in two lines: 3067, 3068
#define IDC_ORDER_NOTE_2_END 3068
#define IDC_ORDER_NOTE_3 3069        // note 3: 3069, 3070
#define IDC_ORDER_NOTE_3_END 3070
#define IDC_ORDER_NOTE_1 3071        // note 1: 3071, 3072
#define IDC_ORDER_NOTE_1_END 3072
