#pragma once
// Resource identifiers of KeloSetup.dll.
#define IDI_KELO_SETUP 101
#define IDD_PRINTER_CONFIGURATION 201
#define IDC_SELECT_LABEL 1000
#define IDC_PRINTER_LIST 1001
