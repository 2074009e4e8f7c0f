<?xml version="1.0" encoding="UTF-8"?>
<!-- RO system report. "pagelist" is a bit set of the sections to print:
     1 = pass summary, 2 = stage details, 4 = flow diagram. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" encoding="UTF-8" indent="yes"/>
  <xsl:param name="unitsystem" select="'SI'"/>
  <xsl:param name="decsep" select="'.'"/>
  <xsl:param name="pagelist" select="7"/>

  <xsl:template match="/ro">
    <rosection pagelist="{$pagelist}" unitsystem="{$unitsystem}" decsep="{$decsep}">
      <xsl:if test="$pagelist mod 2 = 1">
        <page/>
        <bookmark label="RO system" level="0"/>
        <xmlcell width="0" id="ro-summary"><msg>Pass summary</msg></xmlcell>
        <xsl:for-each select="pass">
          <xmlcell width="60"><msg>Recovery</msg></xmlcell>
          <cell width="0" height="6" ln="1" id="ro-recovery-{@id}">
            <xsl:value-of select="translate(format-number(@recovery, '0.0'), '.', $decsep)"/>
            <xsl:text> %</xsl:text>
          </cell>
        </xsl:for-each>
      </xsl:if>
      <xsl:if test="floor($pagelist div 2) mod 2 = 1">
        <page/>
        <xsl:for-each select="pass/stage">
          <cell width="0" height="6" ln="1" id="ro-stage-{../@id}-{@id}">
            <xsl:value-of select="@vessels"/>
            <xsl:text> x </xsl:text>
            <xsl:value-of select="@elements"/>
          </cell>
        </xsl:for-each>
      </xsl:if>
      <xsl:if test="floor($pagelist div 4) mod 2 = 1">
        <xsl:for-each select="pass">
          <diagram type="ROPASS" x="10" y="40" width="270">
            <parameter name="units" value="{$unitsystem}" pass="{@id}"/>
          </diagram>
        </xsl:for-each>
      </xsl:if>
    </rosection>
  </xsl:template>
</xsl:stylesheet>
