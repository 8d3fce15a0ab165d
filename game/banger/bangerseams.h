#ifndef BANGER_BANGERSEAMS_H
#define BANGER_BANGERSEAMS_H

// The level makes its props and resets the props' pool and bodies, and the physics manager
// asks standing props for their impulse limit and breaks them loose, through seams that the
// banger module fills: installed by the game when it starts a level, removed after.
void qvInstallBangerSeams();
void qvRemoveBangerSeams();

#endif
