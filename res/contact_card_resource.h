// The contact card (template 157) and its controls. Its ids are its own: the
// same numbers name other controls in other windows, and a dialog looks its
// controls up only among its own children.
#pragma once

#define IDD_CONTACT_CARD 157
#define IDC_CARD_ADDRESS 1014
#define IDC_CARD_BIRTHDAY 1015
#define IDC_CARD_NOTES 1016
#define IDC_CARD_WEBSITE 1018
#define IDC_CARD_CATEGORY 1042
#define IDC_CARD_NAME 1048
#define IDC_CARD_PHONE 1049
#define IDC_CARD_EMAIL 1050
#define IDC_CARD_COMPANY 1051
#define IDC_CARD_TITLE 1052
#define IDC_CARD_FAX 1053
