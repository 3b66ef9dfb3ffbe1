#pragma once
// Fills the table leaf's method-leaf registry with this layer's method leaves and gives the
// configuration leaf its port configuration leaf. Called once at start-up, before the first
// table leaf is made; calling it again changes nothing.
namespace MethodLeaves {

void Register();

} // namespace MethodLeaves
