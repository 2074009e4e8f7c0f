<?xml version="1.0" encoding="UTF-8"?>
<!-- UF system report. "pagelist" is a bit set: 1 = design, 2 = backwash. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" encoding="UTF-8" indent="yes"/>
  <xsl:param name="unitsystem" select="'SI'"/>
  <xsl:param name="decsep" select="'.'"/>
  <xsl:param name="pagelist" select="3"/>

  <xsl:template match="/uf">
    <ufsection pagelist="{$pagelist}" unitsystem="{$unitsystem}" decsep="{$decsep}">
      <xsl:if test="$pagelist mod 2 = 1">
        <page/>
        <bookmark label="UF system" level="0"/>
        <xmlcell width="0" id="uf-design"><msg>UF design</msg></xmlcell>
        <xmlcell width="60"><msg>Flux</msg></xmlcell>
        <cell width="0" height="6" ln="1" id="uf-flux">
          <xsl:value-of select="translate(format-number(@flux, '0.0'), '.', $decsep)"/>
          <xsl:choose>
            <xsl:when test="$unitsystem = 'US'"> gfd</xsl:when>
            <xsl:otherwise> lmh</xsl:otherwise>
          </xsl:choose>
        </cell>
        <xsl:for-each select="train">
          <cell width="40" height="6" id="uf-train-{@id}"><xsl:value-of select="@name"/></cell>
          <cell width="40" height="6" align="right">
            <xsl:value-of select="translate(format-number(@flow, '0.00'), '.', $decsep)"/>
          </cell>
          <cell width="0" height="6" ln="1" align="right">
            <xsl:value-of select="translate(format-number(@tmp * 1000, '#,##0.0'), '.,', concat($decsep, ' '))"/>
          </cell>
        </xsl:for-each>
      </xsl:if>
      <xsl:if test="floor($pagelist div 2) mod 2 = 1">
        <diagram type="UFBACKWASH" x="10" y="40" width="270"/>
      </xsl:if>
    </ufsection>
  </xsl:template>
</xsl:stylesheet>
