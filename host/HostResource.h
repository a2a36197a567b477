/* Resource ids of the sample host (its own, not the module's). */
#ifndef ZENTAVO_HOST_RESOURCE_H
#define ZENTAVO_HOST_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC          (-1)
#endif

#define IDD_CAMERA          100
#define IDC_CAM_ADDRESS     101
#define IDC_CAM_USER        102
#define IDC_CAM_PASSWORD    103
#define IDC_CAM_CHANNEL     104

#endif
