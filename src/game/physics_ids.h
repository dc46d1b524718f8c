// The rigid-body handles the field keeps, declared as ODE declares them, so
// that what uses the field needs no ODE: only the files that call ODE
// include it.
#pragma once

struct dxWorld;
struct dxSpace;
struct dxBody;
struct dxGeom;
struct dxJoint;
struct dxJointGroup;
struct dxTriMeshData;
struct dContact;

typedef struct dxWorld* dWorldID;
typedef struct dxSpace* dSpaceID;
typedef struct dxBody* dBodyID;
typedef struct dxGeom* dGeomID;
typedef struct dxJoint* dJointID;
typedef struct dxJointGroup* dJointGroupID;
typedef struct dxTriMeshData* dTriMeshDataID;
